Dim n
n = 0
While n < 3
  n = n + 1
Loop
' expect error line 5: Loop
