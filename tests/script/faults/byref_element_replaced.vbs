' A by-reference array element whose index expression replaces the array.
ReDim a(3)
Function F()
  a = 1
  F = 1
End Function
Sub S(v)
  v = 7
End Sub
n = 0
Function Counted()
  n = n + 1
  a = 1
  Counted = 1
End Function
On Error Resume Next
S a(Counted())
Сообщить Err.Number & " " & n & " " & TypeName(a) ' expect: 13 1 Integer
On Error GoTo 0
ReDim a(3)
Function G()
  a = "text"
  G = 2
End Function
On Error Resume Next
S a(G())
Сообщить Err.Number & " " & a ' expect: 13 text
On Error GoTo 0
ReDim b(3)
Sub Shrink(v)
  ReDim b(0)
  v = 5
End Sub
Shrink b(2)
Сообщить UBound(b) ' expect: 0
ReDim c(3)
Sub Keep(v)
  v = 9
End Sub
Keep c(2)
Сообщить c(2) ' expect: 9
