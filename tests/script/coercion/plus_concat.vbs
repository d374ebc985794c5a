Сообщить(1 + 2) ' expect: 3
Сообщить("1" + "2") ' expect: 12
Сообщить("1" + 2) ' expect: 3
Сообщить(1 & 2) ' expect: 12
Сообщить("a" & 1.5) ' expect: a1.5
Сообщить("3" * "4") ' expect: 12
Сообщить("10" - 4) ' expect: 6
Сообщить("2,5" + 1) ' expect: 3.5
Сообщить("2.5" + 1) ' expect: 3.5
Сообщить(True + 1) ' expect: 0
Сообщить(True & "") ' expect: True
Сообщить(False & "") ' expect: False
Сообщить(Empty + 5) ' expect: 5
Сообщить("[" & Empty & "]") ' expect: []
Сообщить(Null & "x") ' expect: x
Сообщить(IsNull(Null + 1)) ' expect: True
Сообщить(IsNull("a" + Null)) ' expect: True
Сообщить(1 / 4) ' expect: 0.25
Сообщить(10 / 4) ' expect: 2.5
Сообщить(1E+20) ' expect: 1E+20
Сообщить(0.1 + 0.2) ' expect: 0.3
Сообщить(-0.5) ' expect: -0.5
Сообщить(2 ^ 10) ' expect: 1024
Сообщить(-2 ^ 2) ' expect: 4
Сообщить(1 + 2 & 3) ' expect: 33
Сообщить(32767 + 1) ' expect: 32768
Сообщить(TypeName(32767 + 1)) ' expect: Long
Сообщить(TypeName(1 + 1)) ' expect: Integer
Сообщить(TypeName(2147483647 + 1)) ' expect: Double
Сообщить(TypeName(1 / 1)) ' expect: Double
Сообщить(TypeName("1" + "2")) ' expect: String
