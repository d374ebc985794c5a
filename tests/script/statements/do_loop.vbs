Dim n
n = 0
Do While n < 3
  n = n + 1
Loop
Сообщить(n) ' expect: 3
n = 0
Do Until n >= 4
  n = n + 2
Loop
Сообщить(n) ' expect: 4
n = 10
Do
  n = n + 1
Loop While n < 5
Сообщить(n) ' expect: 11
n = 0
Do
  n = n + 1
Loop Until n = 7
Сообщить(n) ' expect: 7
n = 10
Do While n < 5
  n = 0
Loop
Сообщить(n) ' expect: 10
n = 0
Do
  n = n + 1
  If n = 4 Then Exit Do
Loop
Сообщить(n) ' expect: 4
' Exit Do leaves only the innermost loop
Dim i, k, s
s = ""
i = 0
Do While i < 3
  i = i + 1
  k = 0
  Do
    k = k + 1
    If k > i Then Exit Do
    s = s & k
  Loop
  s = s & ";"
Loop
Сообщить(s) ' expect: 1;12;123;
