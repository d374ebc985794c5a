On Error Resume Next
With Err
  .Raise 1001, "Источник", "Описание"
  Сообщить(.Number) ' expect: 1001
  Сообщить(.Description) ' expect: Описание
  .Clear
  Сообщить(.Number) ' expect: 0
End With
