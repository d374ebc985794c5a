' Exit Do inside While…Wend leaves the Do loop around it.
n = 0
Do
  While True
    n = n + 1
    Exit Do
  Wend
  n = 100
Loop
Сообщить n ' expect: 1
i = 0
While i < 3
  i = i + 1
Wend
Сообщить i ' expect: 3
