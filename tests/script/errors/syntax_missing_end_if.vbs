Dim x
x = 1
If x = 1 Then
  Сообщить("нет")
Sub Процедура1()
End Sub
' expect error line 6: End If
