Dim a(2)
a(2) = 1
Сообщить(a(2)) ' expect: 1
a(3) = 1 ' expect runtime error line 4: Индекс вне диапазона
