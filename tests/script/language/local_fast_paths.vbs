' Running totals, array elements, loop counters and comparisons on local variables take
' shortcuts inside procedures; they must give what the general rules give.
Function Bump(ByRef x)
  x = 100
  Bump = 1
End Function

Sub Totals()
  Dim s, d, x
  s = 32767
  s = s + 1
  Сообщить TypeName(s) & " " & s ' expect: Long 32768
  s = 2147483647
  s = s + 1
  Сообщить TypeName(s) & " " & s ' expect: Double 2147483648
  s = -2147483647
  s = s - 2
  Сообщить TypeName(s) & " " & s ' expect: Double -2147483649
  s = 1.5
  s = s - 2
  Сообщить s ' expect: -0.5
  s = "10"
  s = s + 5
  Сообщить TypeName(s) & " " & s ' expect: Double 15
  s = Empty
  s = s + 2
  Сообщить TypeName(s) & " " & s ' expect: Integer 2
  ' The total is read before the term: the function's change to it comes too late.
  s = 5
  s = s + Bump(s)
  Сообщить s ' expect: 6
  On Error Resume Next
  s = 1E+308
  s = s + 1E+308
  Сообщить Err.Number & " " & (s = 1E+308) ' expect: 6 True
  On Error GoTo 0
  d = 3
  x = 4
  Сообщить TypeName(d + x) & " " & (d * x) & " " & (d - x) ' expect: Integer 12 -1
  d = 40000
  Сообщить TypeName(d * x) & " " & (d * x) ' expect: Long 160000
End Sub

Sub Division()
  Dim m, d, k
  m = -2147483647 - 1
  d = -1
  Сообщить (m Mod -1) & " " & (m Mod d) & " " & (m \ -1) & " " & (m \ d) ' expect: 0 0 2147483648 2147483648
  k = -7
  Сообщить (k Mod 3) & " " & (k \ 2) & " " & ((k * 2) Mod 5) ' expect: -1 -3 -4
  ' A constant divisor against the same divisor in a variable.
  Dim x, bad
  bad = 0
  For Each x In Array(m, m + 1, -1000000007, -100, -7, -1, 0, 1, 6, 7, 99, 100, 65536, 2147483647)
    d = 7
    If x Mod 7 <> x Mod d Or x \ 7 <> x \ d Or (x + 0) Mod 7 <> x Mod d Then bad = bad + 1
    d = 10
    If x Mod 10 <> x Mod d Or x \ 10 <> x \ d Then bad = bad + 1
    d = 1
    If x Mod 1 <> x Mod d Or x \ 1 <> x \ d Then bad = bad + 1
    d = 2147483647
    If x Mod 2147483647 <> x Mod d Or x \ 2147483647 <> x \ d Then bad = bad + 1
  Next
  Сообщить bad ' expect: 0
  On Error Resume Next
  Сообщить k Mod 0
  Сообщить Err.Number ' expect: 11
End Sub

Sub Elements()
  Dim a, b, i, s
  ReDim a(3)
  i = 1.5
  a(i) = 7
  Сообщить a(2) & " " & a(i) ' expect: 7 7
  i = "3"
  a(i) = "три"
  Сообщить a(3) ' expect: три
  ' Arrays are values: the copy keeps its elements.
  b = a
  a(2) = 8
  Сообщить b(2) & " " & a(2) ' expect: 7 8
  On Error Resume Next
  i = 4
  a(i) = 1
  Сообщить Err.Number ' expect: 9
  Err.Clear
  s = a(i)
  Сообщить Err.Number ' expect: 9
  Err.Clear
  i = Null
  s = a(i)
  Сообщить Err.Number ' expect: 94
  On Error GoTo 0
  ' ReDim keeps no element, whether the storage is reused or shared.
  ReDim a(2)
  a(0) = "x"
  b = a
  ReDim a(3)
  Сообщить b(0) & " " & UBound(b) & " " & UBound(a) & " " & IsEmpty(a(0)) ' expect: x 2 3 True
  ReDim a(1000)
  a(5) = 1
  ReDim a(1)
  Сообщить UBound(a) & " " & IsEmpty(a(1)) ' expect: 1 True
  ReDim a(1)
  s = 0
  For Each i In a
    ReDim a(5)
    s = s + 1
  Next
  Сообщить s & " " & UBound(a) ' expect: 2 5
End Sub

Dim g
ReDim g(5)

Function Shrink()
  ReDim g(1)
  Shrink = 9
End Function

Sub Fill(arr)
  On Error Resume Next
  ' The value shrinks the array the element belongs to before it is stored.
  arr(3) = Shrink()
  Сообщить Err.Number & " " & UBound(g) ' expect: 9 1
End Sub

Sub Loops()
  Dim i, t, v
  For i = 32766 To 32768
    t = t & TypeName(i) & " "
  Next
  Сообщить t ' expect: Integer Integer Long 
  t = 0
  For i = 10 To 1 Step -3
    t = t + i
  Next
  Сообщить t & " " & i ' expect: 22 -2
  v = 1.5
  If v < 2 Then Сообщить "меньше" ' expect: меньше
  v = Null
  If v < 2 Then Сообщить "да" Else Сообщить "Null" ' expect: Null
  v = 2
  If v < 2 Then Сообщить "да" Else Сообщить "нет" ' expect: нет
  t = ""
  v = -2147483647 - 1
  t = t & v & "," & 0 & "," & 12345
  Сообщить t ' expect: -2147483648,0,12345
End Sub

Sub Count(n)
  For n = 1 To 3
  Next
End Sub

Totals
Division
Elements
Fill g
Loops
' A by-reference counter counts in the caller's variable.
Count g
Сообщить g ' expect: 4

Sub Counters()
  Dim n, i, t, j
  ' `n = n + 1` and `t = t + i` on every subtype a total can take.
  n = 2147483646
  n = n + 1
  n = n + 1
  Сообщить TypeName(n) & " " & n ' expect: Double 2147483648
  n = 0.5
  n = n + 1
  Сообщить n ' expect: 1.5
  t = 2147483647
  i = 1
  t = t + i
  Сообщить TypeName(t) & " " & t ' expect: Double 2147483648
  t = 1.5
  j = 2.25
  Сообщить (t * j) & " " & (t + i) & " " & (i - t) ' expect: 3.375 2.5 -0.5
  t = "1"
  t = t + i
  Сообщить TypeName(t) & " " & t ' expect: Double 2
  t = Null
  t = t + i
  Сообщить IsNull(t) ' expect: True
End Sub

Counters

' Calls with `n - 1` and the like as arguments, comparisons of a local with a constant, and
' `x = a + b`: the shortcuts give what the general rules give at every edge.
Function Down(n)
  If n < 1 Then
    Down = TypeName(n) & " " & n
  Else
    Down = Down(n - 1)
  End If
End Function

Function Twice(ByRef n)
  n = n * 2
  Twice = n
End Function

' Frames of 3,000 variables: a recursion runs over the frame storage's own size, and every
' frame keeps its variables and by-reference arguments.
Dim wideText, k
wideText = "Function Wide(n, ByRef seen)" & vbCrLf & "Dim v0"
For k = 1 To 3000
  wideText = wideText & ", v" & k
Next
wideText = wideText & vbCrLf & "v3000 = n" & vbCrLf & "If n <= 0 Then" & vbCrLf & "seen = seen + 1" & _
  vbCrLf & "Wide = 0" & vbCrLf & "Else" & vbCrLf & "Wide = Wide(n - 1, seen) + v3000 - n + 1" & _
  vbCrLf & "End If" & vbCrLf & "End Function" & vbCrLf & "Function WideRun(n)" & vbCrLf & _
  "Dim seen" & vbCrLf & "WideRun = Wide(n, seen) & "" "" & seen" & vbCrLf & "End Function"
ExecuteGlobal wideText

Sub Shortcuts()
  Dim n, m, s, a, i
  Сообщить Down(3) & "|" & Down(2.5) & "|" & Down("2") ' expect: Integer 0|Double 0.5|Double 0
  n = -2147483647 - 1
  Сообщить TypeName(n - 1) & " " & Down(n - 1) ' expect: Double Double -2147483649
  ' `n - 1` is an expression: a by-reference parameter gets a copy, the variable stays.
  n = 5
  Сообщить Twice(n - 1) & " " & n & " " & Twice(n) & " " & n ' expect: 8 5 10 10
  Сообщить WideRun(40) & "|" & WideRun(45) ' expect: 40 1|45 1
  ' Comparisons with a constant at the ends of the Long range and with each operator.
  s = ""
  For Each n In Array(-2147483647 - 1, -1, 0, 1, 2147483647, CByte(0), 1.5, True)
    m = n
    If m < -2147483647 Then s = s & "a"
    If m <= 0 Then s = s & "b"
    If m > 2147483646 Then s = s & "c"
    If m >= 1 Then s = s & "d"
    If m = 0 Then s = s & "e"
    If m <> 0 Then s = s & "f"
    s = s & " "
  Next
  Сообщить s ' expect: abf bf be df cdf be df bf 
  ' `x = a + b` with its operands of every kind.
  a = 2147483647
  i = 1
  n = a + CInt(i)
  m = CInt(i) - a
  Сообщить TypeName(n) & " " & n & " " & TypeName(m) & " " & m ' expect: Double 2147483648 Long -2147483646
  n = "3" + i
  m = Null - i
  Сообщить TypeName(n) & " " & n & " " & IsNull(m) ' expect: Double 4 True
  ' Running totals over array elements, in and out of bounds, of every kind.
  a = Array(1, 2.5, "4", Null)
  s = 0
  For i = 0 To 2
    s = s + a(i)
  Next
  Сообщить s ' expect: 7.5
  s = s + a(3)
  Сообщить IsNull(s) ' expect: True
  On Error Resume Next
  s = 0
  i = 4
  s = s + a(i)
  Сообщить Err.Number & " " & s ' expect: 9 0
End Sub

Shortcuts
