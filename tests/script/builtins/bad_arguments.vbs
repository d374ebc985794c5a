' Arguments outside what a function accepts: error 5 (invalid procedure call or
' argument), 13 (type mismatch) for a value of the wrong kind, 6 for overflow.
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
