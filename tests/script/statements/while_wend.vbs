Dim n, s
n = 3 : s = ""
While n > 0
  s = s & n
  n = n - 1
Wend
Сообщить(s) ' expect: 321
While False
  Сообщить("никогда")
Wend
Сообщить("после") ' expect: после
