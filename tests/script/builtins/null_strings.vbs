' Text functions given Null: most give Null back, those that must build a text of
' their own raise 94 (invalid use of Null), as the language's reference has them.
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
T "Join(Array(1, Null, 3), ""-"")" ' expect: Join(Array(1, Null, 3), "-") -> String 1--3
T "CStr(Null)" ' expect: CStr(Null) -> ошибка 94
T "Len(12)" ' expect: Len(12) -> Long 2
T "InStr(""abc"", ""c"")" ' expect: InStr("abc", "c") -> Long 3
