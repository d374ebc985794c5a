' Numeric and date functions given Null: Abs, Fix, Int, Round and the date parts give
' Null; functions that compute a new number from it raise 94; the conversions raise 94.
Sub T(expr)
  On Error Resume Next
  Dim r
  r = Eval(expr)
  If Err.Number <> 0 Then
    Сообщить expr & " -> ошибка " & Err.Number
  ElseIf IsNull(r) Then
    Сообщить expr & " -> Null"
  Else
    Сообщить expr & " -> " & TypeName(r) & " " & r
  End If
End Sub
T "Abs(Null)" ' expect: Abs(Null) -> Null
T "Fix(Null)" ' expect: Fix(Null) -> Null
T "Int(Null)" ' expect: Int(Null) -> Null
T "Round(Null)" ' expect: Round(Null) -> Null
T "Hex(Null)" ' expect: Hex(Null) -> Null
T "Oct(Null)" ' expect: Oct(Null) -> Null
T "Sgn(Null)" ' expect: Sgn(Null) -> ошибка 94
T "Sqr(Null)" ' expect: Sqr(Null) -> ошибка 94
T "Exp(Null)" ' expect: Exp(Null) -> ошибка 94
T "Log(Null)" ' expect: Log(Null) -> ошибка 94
T "Sin(Null)" ' expect: Sin(Null) -> ошибка 94
T "Atn(Null)" ' expect: Atn(Null) -> ошибка 94
T "CInt(Null)" ' expect: CInt(Null) -> ошибка 94
T "CLng(Null)" ' expect: CLng(Null) -> ошибка 94
T "CDbl(Null)" ' expect: CDbl(Null) -> ошибка 94
T "CBool(Null)" ' expect: CBool(Null) -> ошибка 94
T "CCur(Null)" ' expect: CCur(Null) -> ошибка 94
T "CDate(Null)" ' expect: CDate(Null) -> ошибка 94
T "Year(Null)" ' expect: Year(Null) -> Null
T "Month(Null)" ' expect: Month(Null) -> Null
T "Day(Null)" ' expect: Day(Null) -> Null
T "Hour(Null)" ' expect: Hour(Null) -> Null
T "Weekday(Null)" ' expect: Weekday(Null) -> Null
T "DateAdd(""d"", 1, Null)" ' expect: DateAdd("d", 1, Null) -> Null
T "DateDiff(""d"", Null, #01.01.2026#)" ' expect: DateDiff("d", Null, #01.01.2026#) -> Null
T "DatePart(""d"", Null)" ' expect: DatePart("d", Null) -> Null
T "DateValue(Null)" ' expect: DateValue(Null) -> Null
T "DateSerial(Null, 1, 1)" ' expect: DateSerial(Null, 1, 1) -> ошибка 94
T "TimeSerial(Null, 1, 1)" ' expect: TimeSerial(Null, 1, 1) -> ошибка 94
T "MonthName(Null)" ' expect: MonthName(Null) -> ошибка 94
T "WeekdayName(Null)" ' expect: WeekdayName(Null) -> ошибка 94
T "IsNumeric(Null)" ' expect: IsNumeric(Null) -> Boolean False
T "IsDate(Null)" ' expect: IsDate(Null) -> Boolean False
T "Null + 1" ' expect: Null + 1 -> Null
T "Null & ""a""" ' expect: Null & "a" -> String a
T "Null And False" ' expect: Null And False -> Boolean False
T "Null Or True" ' expect: Null Or True -> Boolean True
