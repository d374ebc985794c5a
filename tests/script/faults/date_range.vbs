' Dates outside 01.01.100 – 31.12.9999 are an overflow, never a garbled date.
On Error Resume Next
x = FormatDateTime(CDate(1e15), 1)
Сообщить Err.Number ' expect: 6
Err.Clear
x = CDate(1e18)
Сообщить Err.Number ' expect: 6
Err.Clear
x = #31.12.9999# + 1e10
Сообщить Err.Number ' expect: 6
Err.Clear
x = DateAdd("d", 1, #31.12.9999#)
Сообщить Err.Number ' expect: 5
Err.Clear
x = -#31.12.9999#
Сообщить Err.Number ' expect: 6
Err.Clear
Сообщить #31.12.9999# ' expect: 31.12.9999
Сообщить DateSerial(0, 2, 1) ' expect: 01.02.2000
Сообщить DateSerial(99, 2, 1) ' expect: 01.02.1999
