' Numbers appended to a text count against its length bound like text does.
Sub Grow()
  Dim s, n
  On Error Resume Next
  s = Space(33554430)
  n = 1234
  s = s & n
  Сообщить Err.Number & " " & Len(s) ' expect: 7 33554430
  Err.Clear
  s = s & 5
  Сообщить Err.Number & " " & Len(s) ' expect: 0 33554431
End Sub
Grow
