' b2b: numbers to text by concatenation.
Sub MAIN
  Dim M, total, i, j, line
  M = 1000000
  total = 0
  For i = 1 To M
    line = ""
    For j = 1 To 10
      line = line & (i + j) & ","
    Next
    total = total + Len(line)
  Next
  Сообщить total
End Sub
