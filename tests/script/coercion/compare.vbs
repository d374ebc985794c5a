Сообщить("10" < "9") ' expect: True
Сообщить(10 < 9) ' expect: False
Dim s, n
s = "1" : n = 9
' A text value is greater than any number
Сообщить(s > n) ' expect: True
Сообщить(CInt(s) > n) ' expect: False
Сообщить("abc" < "abd") ' expect: True
Сообщить("a" < "B") ' expect: False
Сообщить("Б" > "А") ' expect: True
Сообщить(1 = 1.0) ' expect: True
Сообщить(Empty = 0) ' expect: True
Сообщить(Empty = "") ' expect: True
Сообщить(IsNull(Null = Null)) ' expect: True
Сообщить(IsNull(1 = Null)) ' expect: True
If Null Then Сообщить("да") Else Сообщить("Null ложно") ' expect: Null ложно
Сообщить(True = -1) ' expect: True
Сообщить(3 <> 4) ' expect: True
Сообщить(3 >= 3) ' expect: True
Сообщить(3 <= 2) ' expect: False
