' Execute, ExecuteGlobal and Eval work at the module level of the running program.
x = 2
Сообщить Eval("x * 10 + 1") ' expect: 21
Сообщить Eval("x = 2") ' expect: True
ExecuteGlobal "Function Twice(v)" & vbCrLf & "Twice = v * 2" & vbCrLf & "End Function"
Сообщить Twice(21) ' expect: 42
Execute "y = x + 5 : z = ""текст"""
Сообщить y & z ' expect: 7текст
Sub Run()
  ExecuteGlobal "w = 99"
End Sub
Run
Сообщить w ' expect: 99
On Error Resume Next
Execute "If x Then"
Сообщить Err.Number ' expect: 1002
Err.Clear
v = Eval("1 / 0")
Сообщить Err.Number ' expect: 11
On Error GoTo 0
Execute "q = 1 / 0"
' expect runtime error line 21: Деление на ноль
