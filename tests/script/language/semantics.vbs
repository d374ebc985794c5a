' Semantics as the language defines them.
Сообщить ("true" <> True) & " " & ("" = True) ' expect: True False
s = "abc"
Select Case s
  Case 1, 2
    Сообщить "число"
  Case Else
    Сообщить "иначе" ' expect: иначе
End Select
Сообщить CBool("#TRUE#") & " " & CBool("#FALSE#") & " " & CByte(True) ' expect: True False 255
Сообщить TypeName(Len("abc")) & " " & TypeName(InStr("abc", "b")) ' expect: Long Long
Dim m(1, 2)
For i = 0 To 1
  For j = 0 To 2
    m(i, j) = i & j
  Next
Next
t = ""
For Each v In m
  t = t & v & " "
Next
Сообщить t ' expect: 00 10 01 11 02 12 
ReDim p(1, 2)
p(1, 2) = "x"
ReDim Preserve p(1, 4)
Сообщить p(1, 2) & UBound(p, 2) ' expect: x4
On Error Resume Next
ReDim Preserve p(2, 4)
Сообщить Err.Number ' expect: 9
Err.Clear
If 1 / 0 Then
  Сообщить "вошли в If" ' expect: вошли в If
End If
Сообщить Err.Number ' expect: 11
Err.Clear
If False Then
ElseIf CLng("x") Then
  Сообщить "вошли в ElseIf" ' expect: вошли в ElseIf
End If
n = 0
Do While 1 / 0
  n = n + 1
  Exit Do
Loop
Сообщить n ' expect: 1
Select Case 1 / 0
  Case 5
    Сообщить "первый Case" ' expect: первый Case
End Select
On Error GoTo 0
Sub Implicit()
  fresh = 5
End Sub
Implicit
Сообщить "[" & fresh & "]" ' expect: []
Сообщить (Null Imp True) & " " & IsNull(Null Imp False) & " " & (False Imp Null) ' expect: True True True
