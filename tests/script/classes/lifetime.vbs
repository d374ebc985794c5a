' Class_Initialize runs on New; Class_Terminate when the last reference goes.
Class Ресурс
  Public Name
  Private Sub Class_Initialize
    Сообщить "создан"
  End Sub
  Private Sub Class_Terminate
    Сообщить "освобожден " & Name
  End Sub
End Class
Set r = New Ресурс ' expect: создан
r.Name = "первый"
Set r2 = r
Set r = Nothing
Сообщить "одна ссылка осталась" ' expect: одна ссылка осталась
Set r2 = Nothing ' expect: освобожден первый
Sub Work
  Dim local
  Set local = New Ресурс ' expect: создан
  local.Name = "локальный"
End Sub
Work ' expect: освобожден локальный
Сообщить "после процедуры" ' expect: после процедуры
Set r = New Ресурс ' expect: создан
r.Name = "замененный"
Set r = New Ресурс ' expect: создан
' expect: освобожден замененный
r.Name = "последний"
' Instances that hold each other are not freed while the module runs, as in the language.
Class Узел
  Public Next_
  Private Sub Class_Terminate
    Сообщить "узел освобожден"
  End Sub
End Class
Set a = New Узел
Set b = New Узел
Set a.Next_ = b
Set b.Next_ = a
Set a = Nothing
Set b = Nothing
Сообщить "конец модуля" ' expect: конец модуля
' expect: освобожден последний
