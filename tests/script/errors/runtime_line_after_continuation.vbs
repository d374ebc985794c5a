Dim s
s = "a" & _
    "b" & _
    "c"
Сообщить(s) ' expect: abc
s = s / 2 ' expect runtime error line 6: Несоответствие типа
