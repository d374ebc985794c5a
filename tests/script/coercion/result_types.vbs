' The types of literals and built-in results, as the language gives them.
Сообщить TypeName(&h10&) & " " & TypeName(&HFFFF&) & " " & &HFFFF& ' expect: Integer Long 65535
Сообщить TypeName(&H8000) & " " & &H8000 & " " & &H8000& ' expect: Integer -32768 32768
Сообщить TypeName(&H10000) & " " & TypeName(&O17&) ' expect: Long Integer
x = &h10&
Sub Local()
  Dim y
  y = &h10&
  Сообщить TypeName(x) & " " & TypeName(y) ' expect: Integer Integer
End Sub
Local
Dim a(3)
Сообщить TypeName(UBound(a)) & " " & TypeName(LBound(a)) ' expect: Long Long
Сообщить TypeName(Round(True)) & " " & Round(True) ' expect: Boolean True
Сообщить TypeName(vbRed) & " " & TypeName(vbBlack) & " " & TypeName(vbOK) ' expect: Long Long Integer
Сообщить TypeName(Timer) & " " & TypeName(Rnd) ' expect: Single Single
Сообщить CSng(0.001 * 0.001) = 0.000001 ' expect: True
Сообщить vbUseSystem & " " & vbUseSystemDayOfWeek ' expect: 0 0
