~Version information block
#MNEM.UNIT                                       DATA DESCRIPTION ON MNEMONIC
#----------------------- ---------------------------- -----------------------
VERS.                                            2.00: CWLS log ASCII Standart
WRAP.                                              NO: One line per depth step
~Well information block
#MNEM.UNIT                                       DATA DESCRIPTION ON MNEMONIC
#----------------------- ---------------------------- -----------------------
STRT.M                                         1500.0: START DEPTH
STOP.M                                         1500.1: STOP DEPTH
NULL.                                           -9999: NULL VALUE
~Curve information block
#MNEM.UNIT                                       DATA DESCRIPTION ON MNEMONIC
#----------------------- ---------------------------- -----------------------
DEPT.M                                               : DEPTH
WOB .T                                               : вес на крюке
GAS .%                                               : 
#
~ASCII Log Data
1500.0        12.50000 -9999.00000 
1500.1     -9999.00000     0.12500 
