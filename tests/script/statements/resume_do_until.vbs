' Under On Error Resume Next an error in the condition of Do Until runs the body
' once more and ends the loop.
On Error Resume Next
Dim n
n = 0
Do Until "a" + 1
  n = n + 1
Loop
Сообщить(n & " " & Err.Number) ' expect: 1 13
