Function Квадрат(x)
  Квадрат = x * x
End Function
Сообщить(Квадрат(7)) ' expect: 49
Function Пусто()
End Function
Сообщить(IsEmpty(Пусто())) ' expect: True
Function Факториал(n)
  If n <= 1 Then
    Факториал = 1
  Else
    Факториал = n * Факториал(n - 1)
  End If
End Function
Сообщить(Факториал(10)) ' expect: 3628800
Sub Приветствие(имя, знак)
  Сообщить("Привет, " & имя & знак)
End Sub
Приветствие "мир", "!" ' expect: Привет, мир!
Call Приветствие("Балвикс", ".") ' expect: Привет, Балвикс.
Dim g
g = "глобальная"
Sub Локальная()
  Dim g
  g = "локальная"
End Sub
Локальная
Сообщить(g) ' expect: глобальная
Sub МеняетГлобальную()
  g = "изменена"
End Sub
МеняетГлобальную
Сообщить(g) ' expect: изменена
Function Последнее()
  Последнее = 1
  Последнее = 2
End Function
Сообщить(Последнее()) ' expect: 2
Квадрат 3
Сообщить("результат отброшен") ' expect: результат отброшен
' A procedure may be called before the line that declares it
Сообщить(Позже()) ' expect: позже
Function Позже()
  Позже = "позже"
End Function
