~W
NULL.  -9999 : NULL VALUE
~C
DEPTH.M : depth
X.U : x
~A
1 2 3 4
5
