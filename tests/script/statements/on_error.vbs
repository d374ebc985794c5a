On Error Resume Next
Dim x
x = 1 / 0
Сообщить(Err.Number) ' expect: 11
Сообщить(Err.Description <> "") ' expect: True
Err.Clear
Сообщить(Err.Number) ' expect: 0
Err.Raise 1234, "Модуль", "Своя ошибка"
Сообщить(Err.Number) ' expect: 1234
Сообщить(Err.Description) ' expect: Своя ошибка
Сообщить(Err.Source) ' expect: Модуль
Err.Clear
Сообщить("[" & Err.Description & "]") ' expect: []
x = CInt("abc")
Сообщить(Err.Number) ' expect: 13
Err.Clear
x = CInt(40000)
Сообщить(Err.Number) ' expect: 6
Err.Clear
' An error in a procedure without its own handler ends that procedure; the caller
' continues with its next statement.
Sub Ошибочная()
  Сообщить("до ошибки")
  x = 1 / 0
  Сообщить("после ошибки")
End Sub
Ошибочная
' expect: до ошибки
Сообщить(Err.Number) ' expect: 11
Err.Clear
Sub Защищенная()
  On Error Resume Next
  Dim z
  z = 1 / 0
  Сообщить("продолжение " & Err.Number)
End Sub
Защищенная
' expect: продолжение 11
Err.Clear
Сообщить(Err) ' expect: 0
