' b3: recursive calls. R times s += fib(27)
Function Fib(n)
  If n < 2 Then
    Fib = n
  Else
    Fib = Fib(n - 1) + Fib(n - 2)
  End If
End Function

Sub MAIN
  Dim R, s, r1
  R = 50
  s = 0
  For r1 = 1 To R
    s = s + Fib(27)
  Next
  Сообщить s
End Sub
