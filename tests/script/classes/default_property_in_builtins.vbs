' A class instance with a default Property Get gives its value to the built-ins, to the
' comparisons and to If.
Class Число
  Public v
  Public Default Property Get Значение()
    Значение = v
  End Property
End Class
Dim o, t
Set o = New Число
o.v = "12.7"
Сообщить(CInt(o) & " " & CLng(o) & " " & CDbl(o) & " " & CStr(o)) ' expect: 13 13 12.7 12.7
Сообщить(CCur(o) & " " & Len(o) & " " & Fix(o) & " " & Int(o)) ' expect: 12.7 4 12 12
Сообщить(IsNumeric(o) & " " & CBool(o)) ' expect: True True
o.v = -255
Сообщить(Abs(o) & " " & Hex(o) & " " & Oct(o)) ' expect: 255 FF01 177401
o.v = "2024-03-01"
Сообщить(Year(CDate(o))) ' expect: 2024
o.v = 5
Сообщить((o = 5) & " " & (o > 4) & " " & (5 <> o) & " " & (o < "6")) ' expect: True True False True
If o Then Сообщить("истина") ' expect: истина
o.v = 0
If o Then Сообщить("лишнее") Else Сообщить("ложь") ' expect: ложь
Set t = New Число
t.v = 0
Сообщить(o = t) ' expect: True
