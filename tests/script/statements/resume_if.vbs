' Under On Error Resume Next an error in the condition of If or ElseIf resumes with the next
' statement: the first one of the block that condition guards.
On Error Resume Next
If 1 / 0 Then
  Сообщить("то") ' expect: то
Else
  Сообщить("иначе")
End If
Сообщить(Err.Number) ' expect: 11
Err.Clear
If False Then
  Сообщить("первая")
ElseIf CInt("x") Then
  Сообщить("вторая") ' expect: вторая
End If
Сообщить(Err.Number) ' expect: 13
Err.Clear
If 1 / 0 Then Сообщить("в строку") ' expect: в строку
Dim i
i = 0
If i = 1 / 0 Then Сообщить("локальная") ' expect: локальная
