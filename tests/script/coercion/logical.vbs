Сообщить(True And False) ' expect: False
Сообщить(True Or False) ' expect: True
Сообщить(True Xor True) ' expect: False
Сообщить(Not True) ' expect: False
Сообщить(12 And 10) ' expect: 8
Сообщить(12 Or 3) ' expect: 15
Сообщить(12 Xor 10) ' expect: 6
Сообщить(Not 0) ' expect: -1
Сообщить(Not 5) ' expect: -6
Сообщить(True Eqv False) ' expect: False
Сообщить(False Eqv False) ' expect: True
Сообщить(True Imp False) ' expect: False
Сообщить(False Imp True) ' expect: True
Сообщить(12 Eqv 10) ' expect: -7
Сообщить(12 Imp 10) ' expect: -5
Сообщить(1 = 1 And 2 > 1) ' expect: True
Сообщить(Not 1 = 2) ' expect: True
Сообщить(Null And False) ' expect: False
Сообщить(Null Or True) ' expect: True
Сообщить(IsNull(Null And True)) ' expect: True
Сообщить(False And False Or True) ' expect: True
