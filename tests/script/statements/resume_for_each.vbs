' Under On Error Resume Next For Each over what is no collection is passed over (451).
On Error Resume Next
Dim x, n
n = 0
For Each x In 5
  n = n + 1
Next
Сообщить(n & " " & Err.Number) ' expect: 0 451
Err.Clear
For Each x In "abc"
  n = n + 1
Next
Сообщить(n & " " & Err.Number) ' expect: 0 451
