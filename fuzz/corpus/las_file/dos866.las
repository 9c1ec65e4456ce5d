~Version information
VERS.   2.0 : CWLS LOG ASCII STANDARD
~Well information
COMP.   ООО Буровик : КОМПАНИЯ
WELL.   Южная-7 : СКВАЖИНА
~Curve information
DEPT.M   : ГЛУБИНА
ГАЗ.%    : СУММАРНЫЙ ГАЗ
~Other
Примечание: записано в DOS
~A
100.0 0.25
100.1 0.5
