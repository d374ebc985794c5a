Dim arr, el, s
arr = Array(1, 2, 3)
s = 0
For Each el In arr
  s = s + el
Next
Сообщить(s) ' expect: 6
Dim names(2)
names(0) = "а" : names(1) = "б" : names(2) = "в"
s = ""
For Each el In names
  s = s & el
Next
Сообщить(s) ' expect: абв
' The loop variable holds a copy of the element
For Each el In names
  el = "x"
Next
Сообщить(names(0)) ' expect: а
For Each el In Split("a,b,c", ",")
  Сообщить(el)
Next
' expect: a
' expect: b
' expect: c
s = ""
For Each el In Array(1, 2, 3, 4)
  If el = 3 Then Exit For
  s = s & el
Next
Сообщить(s) ' expect: 12
Сообщить(el) ' expect: 3
