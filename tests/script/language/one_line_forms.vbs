' Forms that fit on one line, and parentheses around a callee.
Sub s() Сообщить "s" End Sub
Function f(a) f = a * 2 End Function
Class C
Public x End Class
s ' expect: s
Set o = New C
o.x = 5
Сообщить o.x ' expect: 5
If True Then Const k = 3
Сообщить k ' expect: 3
y = (f)(4)
Сообщить y ' expect: 8
Call ((f)) (5)
Сообщить ((f))(6) ' expect: 12
If "#TRUE#" Then Сообщить "истина" ' expect: истина
Сообщить CBool("#FALSE#") ' expect: False
