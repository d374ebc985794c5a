Dim i
i = 32767
i = i + 1
Сообщить(i) ' expect: 32768
Сообщить(CInt(32767)) ' expect: 32767
Сообщить(CInt(-32768)) ' expect: -32768
Сообщить(CInt(2.5)) ' expect: 2
Сообщить(CInt(3.5)) ' expect: 4
Сообщить(CInt(-2.5)) ' expect: -2
Сообщить(CLng(2147483647)) ' expect: 2147483647
On Error Resume Next
i = CInt(32767.5)
Сообщить(Err.Number) ' expect: 6
Err.Clear
i = CLng(2147483648)
Сообщить(Err.Number) ' expect: 6
