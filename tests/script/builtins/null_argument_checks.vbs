' Null and bad arguments as the language reference has them; Replace(Null, …) gives Null.
On Error Resume Next
Dim r, cases, i
cases = Array("r = Join(Array(""a"", Null))", "r = Mid(""abc"", 1, Null)", _
  "r = Weekday(Null, -1)", "r = FormatDateTime(Null)", "r = Randomize", "r = 1 + Randomize(3)", _
  "r = RGB(-1, 0, 0)", "r = RGB(0, 0, -5)", "r = InStrRev(""abc"", ""b"", Null)", _
  "r = InStrRev(""abc"", ""b"", 0)")
For i = 0 To UBound(cases)
  Err.Clear
  Execute cases(i)
  Сообщить(Err.Number)
Next
' expect: 13
' expect: 94
' expect: 5
' expect: 13
' expect: 13
' expect: 13
' expect: 5
' expect: 5
' expect: 94
' expect: 5
Err.Clear
Сообщить(TypeName(Replace(Null, "a", "b")) & " " & TypeName(InStrRev(Null, "b"))) ' expect: Null Null
Сообщить(TypeName(Weekday(Null)) & " " & RGB(0, 300, 0)) ' expect: Null 65280
Randomize 5
Call Randomize(5)
Randomize
Сообщить(Err.Number) ' expect: 0
