Dim i, s
s = ""
For i = 1 To 5
  s = s & i
Next
Сообщить(s) ' expect: 12345
Сообщить(i) ' expect: 6
s = ""
For i = 10 To 1 Step -3
  s = s & i & " "
Next
Сообщить(Trim(s)) ' expect: 10 7 4 1
Сообщить(i) ' expect: -2
s = ""
For i = 0 To 1 Step 0.25
  s = s & i & ";"
Next
Сообщить(s) ' expect: 0;0.25;0.5;0.75;1;
For i = 5 To 1
  Сообщить("не выполняется")
Next
Сообщить(i) ' expect: 5
s = ""
Dim j
For i = 1 To 3
  For j = 1 To i
    s = s & j
  Next
  s = s & "|"
Next
Сообщить(s) ' expect: 1|12|123|
' The limit is evaluated once, before the first pass
Dim lim
lim = 3 : s = 0
For i = 1 To lim
  lim = 10
  s = s + 1
Next
Сообщить(s) ' expect: 3
s = 0
For i = 1 To 3 : s = s + i : Next
Сообщить(s) ' expect: 6
