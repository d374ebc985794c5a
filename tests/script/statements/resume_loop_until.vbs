' Under On Error Resume Next an error in the condition of Loop Until leaves the loop.
On Error Resume Next
Dim n
n = 0
Do
  n = n + 1
Loop Until 1 / 0
Сообщить(n & " " & Err.Number) ' expect: 1 11
Err.Clear
Sub Внутри()
  On Error Resume Next
  Dim k
  Do
    k = k + 1
  Loop Until Array(1)
  Сообщить(k & " " & Err.Number) ' expect: 1 13
End Sub
Внутри
