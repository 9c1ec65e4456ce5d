~
~
~X
not a header line
~O
~