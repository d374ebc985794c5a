Function Класс(x)
  Select Case x
    Case 1
      Класс = "один"
    Case 2, 3, 4
      Класс = "два-четыре"
    Case 5 To 9
      Класс = "пять-девять"
    Case Is >= 100
      Класс = "сотня+"
    Case Else
      Класс = "прочее"
  End Select
End Function
Сообщить(Класс(1)) ' expect: один
Сообщить(Класс(3)) ' expect: два-четыре
Сообщить(Класс(7)) ' expect: пять-девять
Сообщить(Класс(9)) ' expect: пять-девять
Сообщить(Класс(10)) ' expect: прочее
Сообщить(Класс(250)) ' expect: сотня+
Dim буква
буква = "b"
Select Case буква
  Case "a", "b"
    Сообщить("буква") ' expect: буква
  Case Else
    Сообщить("не буква")
End Select
Select Case "груша"
  Case "яблоко": Сообщить("я")
  Case "груша": Сообщить("г") ' expect: г
  Case "груша": Сообщить("только первая ветвь")
End Select
Select Case 42
  Case 1
    Сообщить("нет")
End Select
Сообщить("без подходящей ветви") ' expect: без подходящей ветви
Select Case 3
  Case 1 To 2, 3, Is > 10
    Сообщить("смешанный список") ' expect: смешанный список
End Select
