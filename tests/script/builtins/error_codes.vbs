' Bad arguments of built-in functions raise run-time errors with the classic numbers
On Error Resume Next
Dim x
x = Mid("abc", 0) : Сообщить(Err.Number) ' expect: 5
Err.Clear
x = Left("abc", -1) : Сообщить(Err.Number) ' expect: 5
Err.Clear
x = Sqr(-1) : Сообщить(Err.Number) ' expect: 5
Err.Clear
x = Chr(300) : Сообщить(Err.Number) ' expect: 5
Err.Clear
x = Asc("") : Сообщить(Err.Number) ' expect: 5
Err.Clear
x = MonthName(13) : Сообщить(Err.Number) ' expect: 5
Err.Clear
x = DateAdd("век", 1, Date) : Сообщить(Err.Number) ' expect: 5
Err.Clear
x = CDate("31.02.2026") : Сообщить(Err.Number) ' expect: 13
Err.Clear
x = CStr(Null) : Сообщить(Err.Number) ' expect: 94
Err.Clear
x = CInt("12x") : Сообщить(Err.Number) ' expect: 13
Err.Clear
x = CByte(256) : Сообщить(Err.Number) ' expect: 6
Err.Clear
x = Log(0) : Сообщить(Err.Number) ' expect: 5
Err.Clear
Сообщить(IsNull(Left(Null, 2)) And IsNull(UCase(Null)) And IsNull(Year(Null))) ' expect: True
