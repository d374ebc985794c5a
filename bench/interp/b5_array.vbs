' b5: array fill and sum. R times: a = array of K elements; fill a(i) = i*3; sum them.
Sub MAIN
  Dim R, K, s, r1, i, a
  R = 20
  K = 300000
  s = 0
  For r1 = 1 To R
    ReDim a(K - 1)
    For i = 0 To K - 1
      a(i) = i * 3
    Next
    For i = 0 To K - 1
      s = s + a(i)
    Next
  Next
  Сообщить s
End Sub
