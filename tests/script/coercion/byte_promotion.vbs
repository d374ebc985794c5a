' Byte arithmetic keeps Byte while the result fits and widens to Integer past it, in every
' form a sum takes: a local, a module-level variable, a constant, a running total.
Сообщить TypeName(CByte(5) + 1) ' expect: Integer
Сообщить TypeName(CByte(5) + CByte(250)) ' expect: Byte
Сообщить TypeName(CByte(250) + CByte(250)) & " " & (CByte(250) + CByte(250)) ' expect: Integer 500
Сообщить TypeName(CByte(1) - CByte(2)) ' expect: Integer
Сообщить TypeName(CByte(20) * CByte(12)) & " " & TypeName(CByte(20) * CByte(13)) ' expect: Byte Integer
Сообщить TypeName(Empty + CByte(5)) & " " & TypeName(Empty + Empty) ' expect: Byte Integer
Сообщить TypeName(True + True) & " " & (True + True) ' expect: Integer -2
Сообщить TypeName(-CByte(5)) ' expect: Integer
g = 5
Сообщить TypeName(g + &H10000&) & " " & TypeName(g + 16) ' expect: Long Integer
Sub Totals
  Dim s, x, i, n
  s = CByte(0)
  For i = 1 To 5
    s = s + CByte(i)
  Next
  Сообщить TypeName(s) & " " & s ' expect: Byte 15
  x = 5
  Сообщить TypeName(x + &H10000&) & " " & TypeName(x + 16) ' expect: Long Integer
  For n = CByte(1) To CByte(3) Step CByte(1)
  Next
  Сообщить TypeName(n) & " " & n ' expect: Byte 4
End Sub
Totals
