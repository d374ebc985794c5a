' Endless recursion ends the module with an error instead of crashing the program
Function Бесконечно(n)
  Бесконечно = Бесконечно(n + 1) ' expect runtime error line 3: Недостаточно места в стеке
End Function
Сообщить("старт") ' expect: старт
x = Бесконечно(1)
