Dim a, b
a = 1 : b = 0
Сообщить("до") ' expect: до
a = a / b ' expect runtime error line 4: Деление на ноль
Сообщить("после")
