On Error Resume Next
Dim x
x = 1 / 0
Сообщить("пропущено " & Err.Number) ' expect: пропущено 11
On Error GoTo 0
Сообщить(Err.Number) ' expect: 0
x = 1 / 0 ' expect runtime error line 7: Деление на ноль
