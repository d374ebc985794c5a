Function Сумма(a, b)
  Сумма = a + b
End Function
Сообщить(Сумма(1, 2)) ' expect: 3
Сообщить(Сумма(1)) ' expect runtime error line 5: Неверное число аргументов
