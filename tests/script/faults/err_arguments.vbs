' Err members take no arguments (Raise up to five); extra ones are an error, not UB.
On Error Resume Next
x = Err.Number(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32, 33)
Сообщить Err.Number ' expect: 450
Err.Clear
x = Err.Description(1)
Сообщить Err.Number ' expect: 450
Err.Clear
Err.Raise &h8000
Сообщить Err.Number ' expect: -32768
Err.Clear
Err.Raise vbObjectError + 5, "Модуль", "Своя ошибка", "help.chm", 12
Сообщить Err.Number & " " & Err.Source & " " & Err.Description ' expect: -2147221499 Модуль Своя ошибка
Сообщить Err.HelpFile & " " & Err.HelpContext ' expect: help.chm 12
Err.Clear
Сообщить Err.HelpContext ' expect: 0
Err.Raise 0
Сообщить Err.Number ' expect: 5
