' Numeric literals read as the language reads them.
Сообщить 123456789012345678901234567890123456789012345678901234567890123456789012345678901234567890123456789012345678901234567890 ' expect: 1.23456789012346E+119
Сообщить 1e-400 ' expect: 0
Сообщить 10. + 1 ' expect: 11
Сообщить TypeName(10.) ' expect: Double
Сообщить &HFFFF ' expect: -1
Сообщить &HFFFFFFFF ' expect: -1
Сообщить &H7FFFFFFF ' expect: 2147483647
Сообщить &HFFFF& ' expect: 65535
Сообщить TypeName(&H10000) ' expect: Long
Сообщить &O17 ' expect: 15
Сообщить 2147483648 ' expect: 2147483648
