' Constructs inside one another
Dim a, b, i, j, s
a = True : b = False
If a Then Сообщить("раз") : Сообщить("два") Else Сообщить("три")
' expect: раз
' expect: два
If b Then Сообщить("раз") : Сообщить("два") Else Сообщить("три") : Сообщить("четыре")
' expect: три
' expect: четыре
s = ""
For i = 1 To 3
  For j = 1 To 3
    If j = 2 Then Exit For
    s = s & i & j & " "
  Next
Next
Сообщить(Trim(s)) ' expect: 11 21 31
s = ""
i = 0
Do
  i = i + 1
  Select Case i
    Case 2
      s = s & "два "
    Case 4
      Exit Do
    Case Else
      s = s & i & " "
  End Select
Loop
Сообщить(Trim(s)) ' expect: 1 два 3
Function Первый(arr)
  Dim k
  For k = 0 To UBound(arr)
    Select Case arr(k)
      Case Is < 0
        Первый = k
        Exit Function
    End Select
  Next
  Первый = -1
End Function
Сообщить(Первый(Array(3, 5, -2, -7))) ' expect: 2
Function Пара(x)
  Пара = Array(x, x * 2)
End Function
Сообщить(Пара(4)(1)) ' expect: 8
Dim t
t = Пара(5)
Сообщить(UBound(t) & ":" & t(0)) ' expect: 1:5
Dim m
m = Array(Array(1, 2), Array(3, 4))
Сообщить(m(1)(0)) ' expect: 3
Dim d()
ReDim d(4)
d(1) = "один"
ReDim Preserve d(1)
Сообщить(UBound(d) & " " & d(1)) ' expect: 1 один
' For with a counter changed in the body
s = ""
For i = 1 To 10
  s = s & i
  i = i + 2
Next
Сообщить(s) ' expect: 14710
' An error raised in a function reaches the caller's handler
Function Проверить(x)
  If x < 0 Then Err.Raise 5000, "Проверить", "Отрицательное"
  Проверить = x
End Function
On Error Resume Next
Сообщить(Проверить(3)) ' expect: 3
s = Проверить(-1)
Сообщить(Err.Number & " " & Err.Description) ' expect: 5000 Отрицательное
On Error GoTo 0
Сообщить("d: " & DateSerial(2026, 1, 2)) ' expect: d: 02.01.2026
Сообщить(CStr(1 / 3)) ' expect: 0.333333333333333
Сообщить(CStr(123456789012345678)) ' expect: 1.23456789012346E+17
Сообщить(Int(-0.5)) ' expect: -1
Сообщить(Empty < 1) ' expect: True
Сообщить(Len(String(1000, "x") & String(1000, "y"))) ' expect: 2000
