Сообщить(IsNull(Null + 1)) ' expect: True
Сообщить(CInt(Null)) ' expect runtime error line 2: Null
