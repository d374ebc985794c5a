Const Pi = 3.5
Const Имя = "Балвикс"
Сообщить(Pi * 2) ' expect: 7
Сообщить(Имя) ' expect: Балвикс
Const A = 1, B = 2
Сообщить(A + B) ' expect: 3
Const Neg = -4
Сообщить(Neg) ' expect: -4
Сообщить(vbCrLf = Chr(13) & Chr(10)) ' expect: True
