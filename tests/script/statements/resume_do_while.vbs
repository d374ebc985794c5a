' Under On Error Resume Next an error in the condition of Do While resumes with the first
' statement of the body, as the language does, and the loop ends after that pass.
On Error Resume Next
Dim n, d
n = 0
Do While 1 / 0
  n = n + 1
Loop
Сообщить(n & " " & Err.Number) ' expect: 1 11
Err.Clear
' A condition that fails only on a later pass ends the loop after one more pass.
d = 3
Do While 6 / d > 1
  n = n + 1
  d = d - 3
Loop
Сообщить(n & " " & Err.Number) ' expect: 3 11
