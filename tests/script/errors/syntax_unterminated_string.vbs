Dim s
s = "без конца
Сообщить(s)
' expect error line 2: строк
