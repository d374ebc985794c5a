Сообщить(IsEmpty(Формат(""))) ' expect: True
Сообщить(Replace(Формат(0), ChrW(160), " ")) ' expect: 0,00 ₽
Сообщить(Replace(Формат(1234.5), ChrW(160), " ")) ' expect: 1 234,50 ₽
Сообщить(Replace(Формат("1234,567"), ChrW(160), " ")) ' expect: 1 234,57 ₽
Сообщить(Replace(Формат(-7), ChrW(160), " ")) ' expect: -7,00 ₽
Сообщить(Replace(Формат(0.5), ChrW(160), " ")) ' expect: 0,50 ₽
Dim д
д = ТекущаяДата()
Сообщить(Right(д, 7) = Year(Date) & " г.") ' expect: True
Сообщить(Left(д, Len(CStr(Day(Date))) + 1) = Day(Date) & " ") ' expect: True
Сообщить(Right(ТекущаяДата, 3)) ' expect:  г.
