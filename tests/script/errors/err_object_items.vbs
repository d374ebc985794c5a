' The Err object: the source of the language's own errors, Raise keeping what it leaves
' out from the previous error, the language's facility code dropped, HelpContext a Long.
On Error Resume Next
x = 1 / 0
Сообщить(Err.Source) ' expect: Ошибка выполнения модуля
Err.Clear
Err.Raise 1000, "Модуль", "Своя", "файл.chm", 7
Err.Raise 1001
Сообщить(Err.Number & " " & Err.Source & " " & Err.Description) ' expect: 1001 Модуль Своя
Сообщить(Err.HelpFile & " " & Err.HelpContext) ' expect: файл.chm 7
Err.Clear
Err.Raise 6
Сообщить(Err.Number & " " & (Err.Description <> "") & " " & Err.Source) ' expect: 6 True Ошибка выполнения модуля
Err.Clear
Err.Raise &H800A000B
Сообщить(Err.Number) ' expect: 11
Err.Clear
Err.Raise &H800A0000 + 13
Сообщить(Err.Number) ' expect: 13
Err.Clear
Сообщить(TypeName(Err.HelpContext)) ' expect: Long
