Option Explicit
Dim a
a = 1
Сообщить(a) ' expect: 1
b = 2 ' expect runtime error line 5: Переменная не определена
