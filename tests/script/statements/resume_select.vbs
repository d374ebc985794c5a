' Under On Error Resume Next an error in the test of Select Case resumes with the first
' Case's block.
On Error Resume Next
Select Case 1 / 0
  Case 1
    Сообщить("первый") ' expect: первый
  Case Else
    Сообщить("иначе")
End Select
Сообщить(Err.Number) ' expect: 11
