Dim x
x = "12" * 2
Сообщить(x) ' expect: 24
x = "двенадцать" * 2 ' expect runtime error line 4: Несоответствие типа
