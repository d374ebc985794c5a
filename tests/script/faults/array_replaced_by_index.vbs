' An index expression that replaces the array it indexes: the element is read from
' the new value, never from freed storage.
ReDim a(3)
Function F()
  a = 0
  F = 1
End Function
On Error Resume Next
x = a(F())
Сообщить Err.Number ' expect: 13
Err.Clear
ReDim a(3)
Function G()
  ReDim a(5)
  a(1) = "новый"
  G = 1
End Function
Сообщить a(G()) ' expect: новый
