' A conversion called as a statement raises its own error first; 458 only when the
' conversion itself succeeds.
On Error Resume Next
Dim i, cases
cases = Array("Call CByte("""")", "Call CByte(300)", "Call CInt(""abc"")", "Call CLng(1E20)", _
  "Call CDate(""нет"")", "Call CBool(""x"")", "Call CDbl(""1,2,3"")", "Call CByte(1)", _
  "CInt 5", "Call CStr(Null)")
For i = 0 To UBound(cases)
  Err.Clear
  Execute cases(i)
  Сообщить(Err.Number)
Next
' expect: 13
' expect: 6
' expect: 13
' expect: 6
' expect: 13
' expect: 13
' expect: 13
' expect: 458
' expect: 458
' expect: 94
