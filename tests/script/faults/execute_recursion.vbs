' Text that executes itself nests like a call and ends with «Недостаточно места в стеке».
s = "Execute s"
On Error Resume Next
Execute s
Сообщить Err.Number ' expect: 28
