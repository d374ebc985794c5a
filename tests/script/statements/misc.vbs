' Arrays, loops, Select Case True, error descriptions and interpreter functions
Dim a, i, n
a = Array(1, 2)
ReDim Preserve a(3)
Сообщить(UBound(a) & a(1)) ' expect: 32
n = 0
Do
  For i = 1 To 10
    If i = 3 Then Exit Do
    n = n + 1
  Next
Loop
Сообщить(n) ' expect: 2
Сообщить("a" = "A") ' expect: False
Сообщить(IsNull(Not Null)) ' expect: True
On Error Resume Next
x = 5 Mod 0
Сообщить(Err.Number) ' expect: 11
Err.Clear
x = CInt("")
Сообщить(Err.Number) ' expect: 13
Err.Clear
Err.Raise 13
Сообщить(Err.Description) ' expect: Несоответствие типа
Err.Clear
On Error GoTo 0
For Each el In Array()
  Сообщить("никогда")
Next
Сообщить(UBound(Array())) ' expect: -1
Select Case True
  Case 1 > 2
    Сообщить("нет")
  Case 2 > 1
    Сообщить("Select Case True") ' expect: Select Case True
End Select
Dim s : s = 5 : s = s & ""
Сообщить(TypeName(s)) ' expect: String
Сообщить(TypeName(Empty) & TypeName(Null)) ' expect: EmptyNull
Сообщить(VarType("x")) ' expect: 8
Сообщить(Join(Split("a b c"), "-")) ' expect: a-b-c
Сообщить(IIf(1 > 2, "да", "нет")) ' expect: нет
Сообщить(Filter(Array("ab", "cd", "abc"), "ab")(1)) ' expect: abc
Сообщить(LBound(Array(1))) ' expect: 0
Сообщить(2 * 3 ^ 2) ' expect: 18
Сообщить(-3 Mod 2 * 2) ' expect: -3
