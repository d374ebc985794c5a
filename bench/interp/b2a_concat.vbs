' b2a: naive string building. R times: s = ""; 200000 times s = s & "abc"; total += len(s)
Sub MAIN
  Dim R, K, total, r1, s, i
  R = 1
  K = 200000
  total = 0
  For r1 = 1 To R
    s = ""
    For i = 1 To K
      s = s & "abc"
    Next
    total = total + Len(s)
  Next
  Сообщить total
End Sub
