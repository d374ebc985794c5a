' An error in the only statement of an If block names that statement's line; under
' On Error Resume Next the statement after the If comes next.
Function Half(n)
  If n < 2 Then
    Half = 1 / n
  Else
    Half = n / 2
  End If
End Function

Function Careful(n)
  On Error Resume Next
  Careful = -1
  If n < 2 Then
    Careful = 1 / n
  End If
  Careful = Careful & " " & Err.Number
End Function

Сообщить Half(4) ' expect: 2
Сообщить Careful(0) ' expect: -1 11
Сообщить Half(0) ' expect runtime error line 5: Деление на ноль
