' A syntax error anywhere means no statement runs
Сообщить("не должно быть выведено")
Dim x
x = 1 +
Сообщить(x)
' expect error line 4: Ожидается выражение
