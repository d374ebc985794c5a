' Currency: a 64-bit count of ten-thousandths, so money adds up exactly.
Сообщить TypeName(CCur(0.5)) ' expect: Currency
Сообщить CCur(0.1) + CCur(0.2) = CCur(0.3) ' expect: True
Сообщить CCur(0.1) + CCur(0.2) ' expect: 0.3
s = CCur(0)
For i = 1 To 1000
  s = s + CCur(0.01)
Next
Сообщить s & " " & (s = 10) ' expect: 10 True
Сообщить TypeName(CCur(1) + 1) & " " & TypeName(CCur(1) * CLng(2)) ' expect: Currency Currency
Сообщить TypeName(CCur(1) + 0.5) & " " & TypeName(CCur(1) / 4) ' expect: Double Double
Сообщить TypeName(CCur(1) + CSng(1)) ' expect: Double
Сообщить CCur(1.23456) ' expect: 1.2346
Сообщить CCur(2.5) * CCur(0.0001) ' expect: 0.0002
Сообщить -CCur(12.5) ' expect: -12.5
Сообщить CCur("1234,56") ' expect: 1234.56
Сообщить VarType(CCur(1)) & " " & VarType(CSng(1)) ' expect: 6 4
Сообщить TypeName(Int(CCur(2.7))) & " " & Int(CCur(2.7)) ' expect: Currency 2
Сообщить CCur(922337203685477) ' expect: 922337203685477
On Error Resume Next
x = CCur(922337203685477) * 10
Сообщить Err.Number ' expect: 6
On Error GoTo 0
' Single: 32-bit floating point with 7 significant digits.
Сообщить TypeName(CSng(0.1)) & " " & CSng(0.1) ' expect: Single 0.1
Сообщить TypeName(CSng(1) + 1) & " " & TypeName(CSng(1) + CLng(1)) ' expect: Single Double
Сообщить CSng(1) * CSng(3) ' expect: 3
Сообщить CSng(3.4E+38) ' expect: 3.4E+38
Сообщить CCur(5) > 4 ' expect: True
