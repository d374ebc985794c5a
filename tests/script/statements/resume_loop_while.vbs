' Under On Error Resume Next an error in the condition of Loop While leaves the loop: the
' module goes on after the Loop statement.
On Error Resume Next
Dim n
n = 0
Do
  n = n + 1
Loop While 1 / 0
Сообщить(n) ' expect: 1
Сообщить(Err.Number) ' expect: 11
Err.Clear
n = 0
Do
  n = n + 1
Loop While n < 3 And CInt("x")
Сообщить(n & " " & Err.Number) ' expect: 1 13
