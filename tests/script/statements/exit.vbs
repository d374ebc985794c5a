Dim i
For i = 1 To 10
  If i = 4 Then Exit For
Next
Сообщить(i) ' expect: 4
Sub Проверка(x)
  Сообщить("вход")
  If x > 0 Then Exit Sub
  Сообщить("не положительное")
End Sub
Проверка 1
' expect: вход
Call Проверка(-1)
' expect: вход
' expect: не положительное
Function Найти(arr, v)
  Dim k
  Найти = -1
  For k = 0 To UBound(arr)
    If arr(k) = v Then
      Найти = k
      Exit Function
    End If
  Next
End Function
Сообщить(Найти(Array(5, 6, 7), 6)) ' expect: 1
Сообщить(Найти(Array(5, 6, 7), 9)) ' expect: -1
