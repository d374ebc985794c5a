' Under On Error Resume Next a For whose start, end or step fails is passed over: the module
' goes on after its Next.
On Error Resume Next
Dim i, n
n = 0
For i = 1 To 1 / 0
  n = n + 1
Next
Сообщить(n & " " & Err.Number) ' expect: 0 11
Err.Clear
For i = CInt("x") To 3
  n = n + 1
Next
Сообщить(n & " " & Err.Number) ' expect: 0 13
Err.Clear
For i = 1 To 3 Step CLng(1E20)
  n = n + 1
Next
Сообщить(n & " " & Err.Number) ' expect: 0 6
