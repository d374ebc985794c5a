Dim x
x = CInt(32767) ' 16-bit upper limit is fine
Сообщить(x) ' expect: 32767
x = CInt(40000) ' expect runtime error line 4: Переполнение
