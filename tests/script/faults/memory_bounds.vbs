' Sizes a module cannot have: «Недостаточно памяти» (7) instead of taking the machine.
On Error Resume Next
ReDim a(-1, 2147483647)
Сообщить Err.Number ' expect: 7
Err.Clear
x = Space(2e9)
Сообщить Err.Number ' expect: 7
Err.Clear
x = String(2e9, "a")
Сообщить Err.Number ' expect: 7
Err.Clear
Dim b(7000, 7000)
Сообщить Err.Number ' expect: 7
Err.Clear
s = "0123456789abcdef"
For i = 1 To 40
  s = s & s
  If Err.Number <> 0 Then Exit For
Next
Сообщить Err.Number & " " & (Len(s) <= 33554432) ' expect: 7 True
Err.Clear
t = "ab"
For i = 1 To 40
  t = t + t
  If Err.Number <> 0 Then Exit For
Next
Сообщить Err.Number ' expect: 7
Err.Clear
u = Replace(String(1000, "a"), "a", String(100000, "b"))
Сообщить Err.Number ' expect: 7
ReDim ok(10, 10)
Сообщить UBound(ok, 2) ' expect: 10
' Many arrays each within the limit: together they are bounded too.
On Error Resume Next
Dim many(100)
For i = 0 To 100
  ReDim part(4000000)
  many(i) = part
  If Err.Number <> 0 Then Exit For
Next
Сообщить Err.Number & " " & (i < 100) ' expect: 7 True
Erase many
Err.Clear
ReDim again(4000000)
Сообщить Err.Number ' expect: 0
