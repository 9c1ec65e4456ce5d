# a log of every block kind
~Version information
 VERS.   2.0 : CWLS LOG ASCII STANDARD - VERSION 2.0
WRAP.    NO : ONE LINE PER DEPTH STEP
~Well information
STRT.M     1500.0: START DEPTH
STOP.M     1500.2: STOP DEPTH
STEP.M        0.1: STEP
NULL.   -999.25 : NULL VALUE
WELL.  Южная-7 : СКВАЖИНА
~Curve information
DEPT.M          : DEPTH
WOB .T          : вес на долоте
ROP.M/H         :
~Parameter information
MDWT.G/CM3  1.18 : плотность раствора
~Other information
Бурение на воде.
  Second line: indented.
~A  DEPT     WOB      ROP
1500.0   12.5   30.25
1500.1	12.75   -999.25
1500.2 13
