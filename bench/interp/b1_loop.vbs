' b1: numeric loop. s = sum over i=1..N of (i*2) mod 7
Sub MAIN
  Dim N, s, i
  N = 40000000
  s = 0
  For i = 1 To N
    s = s + (i * 2) Mod 7
  Next
  Сообщить s
End Sub
