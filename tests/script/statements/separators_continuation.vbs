Dim a, b : a = 1 : b = 2
Сообщить(a + b) ' expect: 3
Dim s
s = "раз" & _
    "два" & _
    "три"
Сообщить(s) ' expect: раздватри
Сообщить(Сложить(1, _
  2)) ' expect: 3
Function Сложить(x, y) : Сложить = x + y : End Function
a = 10: b = 20:Сообщить(a * b) ' expect: 200
