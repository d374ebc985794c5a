' Execute and Eval inside a procedure see and change its locals and parameters;
' ExecuteGlobal works at the module level.
g = 1
Sub P(a, ByRef b)
  Dim x
  x = 5
  Execute "x = x + a : b = b * 2"
  Сообщить x & " " & b & " " & Eval("x * 10 + a") ' expect: 7 6 72
  ExecuteGlobal "g = g + 100"
  ExecuteGlobal "x = ""глобальная"""
  Сообщить x ' expect: 7
End Sub
q = 3
P 2, q
Сообщить q & " " & g & " " & x ' expect: 6 101 глобальная
' In a member of a class the fields of Me are in scope too.
Class C
  Public F
  Sub M(v)
    Execute "F = v & ""!"""
    Сообщить Eval("F & Me.F") ' expect: hi!hi!
  End Sub
End Class
Set o = New C
o.M "hi"
' The function's own name is its result; Eval nests inside Execute.
Function R(n)
  Execute "If n > 0 Then R = n + Eval(""Half(n)"")"
End Function
Function Half(n)
  Half = n / 2
End Function
Сообщить R(6) ' expect: 9
Sub W
  Dim i
  Execute "For i = 1 To 3 : s = s & i : Next"
  Сообщить i ' expect: 4
End Sub
W
Sub Bad
  Dim t
  On Error Resume Next
  Execute "t = 1 / 0"
  Сообщить Err.Number & "|" & t ' expect: 11|
End Sub
Bad
