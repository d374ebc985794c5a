' Erase empties a fixed array and frees a dynamic one.
Dim a(2)
a(1) = 5
Erase a
Сообщить UBound(a) & "[" & a(1) & "]" ' expect: 2[]
ReDim b(3)
Erase b
Сообщить UBound(b) ' expect: -1
