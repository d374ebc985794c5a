' Built-ins given Null or arguments they do not accept, as the language's reference has
' them. Each case is evaluated and shown with its type, or with the error it raised.
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

' Text functions given Null: most give Null back, those that must build a text of
' their own raise 94 (invalid use of Null), as the language's reference has them.
T "Len(Null)" ' expect: Len(Null) -> Null
T "Left(Null, 1)" ' expect: Left(Null, 1) -> Null
T "Right(Null, 1)" ' expect: Right(Null, 1) -> Null
T "Mid(Null, 1)" ' expect: Mid(Null, 1) -> Null
T "Mid(Null, 1, 1)" ' expect: Mid(Null, 1, 1) -> Null
T "Trim(Null)" ' expect: Trim(Null) -> Null
T "LTrim(Null)" ' expect: LTrim(Null) -> Null
T "RTrim(Null)" ' expect: RTrim(Null) -> Null
T "LCase(Null)" ' expect: LCase(Null) -> Null
T "UCase(Null)" ' expect: UCase(Null) -> Null
T "InStr(Null, ""a"")" ' expect: InStr(Null, "a") -> Null
T "InStr(""a"", Null)" ' expect: InStr("a", Null) -> Null
T "InStr(1, Null, ""a"")" ' expect: InStr(1, Null, "a") -> Null
T "InStrRev(Null, ""a"")" ' expect: InStrRev(Null, "a") -> Null
T "StrComp(Null, ""a"")" ' expect: StrComp(Null, "a") -> Null
T "StrComp(""a"", Null)" ' expect: StrComp("a", Null) -> Null
T "String(2, Null)" ' expect: String(2, Null) -> Null
T "Replace(""a"", Null, ""b"")" ' expect: Replace("a", Null, "b") -> ошибка 94
T "Split(Null)" ' expect: Split(Null) -> ошибка 94
T "Space(Null)" ' expect: Space(Null) -> ошибка 94
T "String(Null, ""a"")" ' expect: String(Null, "a") -> ошибка 94
T "Asc(Null)" ' expect: Asc(Null) -> ошибка 94
T "Chr(Null)" ' expect: Chr(Null) -> ошибка 94
T "AscW(Null)" ' expect: AscW(Null) -> ошибка 94
T "ChrW(Null)" ' expect: ChrW(Null) -> ошибка 94
T "StrReverse(Null)" ' expect: StrReverse(Null) -> ошибка 94
T "Join(Null)" ' expect: Join(Null) -> ошибка 13
T "Join(Array(1, Null, 3), ""-"")" ' expect: Join(Array(1, Null, 3), "-") -> ошибка 13
T "CStr(Null)" ' expect: CStr(Null) -> ошибка 94
T "Len(12)" ' expect: Len(12) -> Long 2
T "InStr(""abc"", ""c"")" ' expect: InStr("abc", "c") -> Long 3

' Numeric and date functions given Null: Abs, Fix, Int, Round and the date parts give
' Null; functions that compute a new number from it raise 94; the conversions raise 94.
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

' Arguments outside what a function accepts: error 5 (invalid procedure call or
' argument), 13 (type mismatch) for a value of the wrong kind, 6 for overflow.
T "Left(""abc"", -1)" ' expect: Left("abc", -1) -> ошибка 5
T "Mid(""abc"", 0)" ' expect: Mid("abc", 0) -> ошибка 5
T "Space(-1)" ' expect: Space(-1) -> ошибка 5
T "String(-1, ""a"")" ' expect: String(-1, "a") -> ошибка 5
T "Chr(-1)" ' expect: Chr(-1) -> ошибка 5
T "Asc("""")" ' expect: Asc("") -> ошибка 5
T "Sqr(-1)" ' expect: Sqr(-1) -> ошибка 5
T "Log(0)" ' expect: Log(0) -> ошибка 5
T "MonthName(13)" ' expect: MonthName(13) -> ошибка 5
T "WeekdayName(8)" ' expect: WeekdayName(8) -> ошибка 5
T "InStr(-1, ""a"", ""a"")" ' expect: InStr(-1, "a", "a") -> ошибка 5
T "Round(1.5, -1)" ' expect: Round(1.5, -1) -> ошибка 5
T "Left(""abc"", ""x"")" ' expect: Left("abc", "x") -> ошибка 13
T "CInt(""abc"")" ' expect: CInt("abc") -> ошибка 13
T "CInt(40000)" ' expect: CInt(40000) -> ошибка 6
T "UBound(1)" ' expect: UBound(1) -> ошибка 13
T "Join(1)" ' expect: Join(1) -> ошибка 13
T "Hex(-1)" ' expect: Hex(-1) -> String FFFF
T "Oct(8)" ' expect: Oct(8) -> String 10
T "Abs(-2.5)" ' expect: Abs(-2.5) -> Double 2.5
T "Sgn(-7)" ' expect: Sgn(-7) -> Integer -1
T "Fix(-2.5)" ' expect: Fix(-2.5) -> Double -2
T "Int(-2.5)" ' expect: Int(-2.5) -> Double -3
