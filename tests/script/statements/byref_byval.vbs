Sub Удвоить(x)
  x = x * 2
End Sub
Sub УдвоитьЗнач(ByVal x)
  x = x * 2
End Sub
Sub УдвоитьСсыл(ByRef x)
  x = x * 2
End Sub
Dim a
a = 5
Удвоить a
Сообщить(a) ' expect: 10
УдвоитьЗнач a
Сообщить(a) ' expect: 10
УдвоитьСсыл a
Сообщить(a) ' expect: 20
' An argument in its own parentheses is an expression and goes by value
Удвоить (a)
Сообщить(a) ' expect: 20
Call Удвоить(a)
Сообщить(a) ' expect: 40
Удвоить a + 0
Сообщить(a) ' expect: 40
Dim arr(1)
arr(0) = 3
Удвоить arr(0)
Сообщить(arr(0)) ' expect: 6
Function Обмен(ByRef p, ByRef q)
  Dim t
  t = p : p = q : q = t
  Обмен = "обмен"
End Function
Dim x, y
x = "левый" : y = "правый"
Сообщить(Обмен(x, y)) ' expect: обмен
Сообщить(x & " " & y) ' expect: правый левый
Удвоить 7
Сообщить("константа") ' expect: константа
Function Счетчик(ByVal n)
  n = n + 1
  Счетчик = n
End Function
Dim c
c = 1
Сообщить(Счетчик(c) & " " & c) ' expect: 2 1
