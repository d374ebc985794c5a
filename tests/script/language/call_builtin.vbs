' A built-in function called as a statement: its result is dropped; the conversion
' functions refuse it with error 458, as the language does.
Call MsgBox("сообщение") ' expect: сообщение
Call Len("abc")
x = "5"
On Error Resume Next
Call CInt(x)
Сообщить Err.Number ' expect: 458
Err.Clear
CStr x
Сообщить Err.Number ' expect: 458
Err.Clear
Call CLng(1 / 0)
Сообщить Err.Number ' expect: 11
On Error GoTo 0
Сообщить CInt(x) + 1 ' expect: 6
Call CDbl(x)
' expect runtime error line 17: не поддерживаемый языком
