' b4: method calls on a host object implemented in C++ (the runner's BenchAccumulator,
' present when BALVIX_BENCH is set).
Sub MAIN
  Dim R, acc, r1, i
  R = 10
  Set acc = BenchAccumulator
  For r1 = 1 To R
    For i = 1 To 2000000
      acc.Add i Mod 3
    Next
  Next
  Сообщить acc.Total
End Sub
