~A
1500.0 7 8
1500.1 8
   	 
~C
DEPT.M  : depth
WOB.T  : weight
ROP.M/H : rate
