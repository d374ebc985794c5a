' Under On Error Resume Next an error in the condition of While…Wend runs the body
' once more and ends the loop.
On Error Resume Next
Dim n, a
a = Array(1, 2)
n = 0
While a(n) > 0
  n = n + 1
Wend
Сообщить(n & " " & Err.Number) ' expect: 3 9
