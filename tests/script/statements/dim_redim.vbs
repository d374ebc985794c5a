' Variables, fixed and dynamic arrays
Dim a, b(2), c()
a = 5
Сообщить(a) ' expect: 5
b(0) = "x" : b(2) = "z"
Сообщить(UBound(b)) ' expect: 2
Сообщить(b(0) & b(1) & b(2)) ' expect: xz
ReDim c(3)
c(3) = 7
Сообщить(UBound(c)) ' expect: 3
ReDim Preserve c(5)
Сообщить(c(3)) ' expect: 7
Сообщить(UBound(c)) ' expect: 5
ReDim c(1)
Сообщить(IsEmpty(c(1))) ' expect: True
Dim m(1, 2)
m(1, 2) = "угол"
Сообщить(m(1, 2)) ' expect: угол
Сообщить(UBound(m, 2)) ' expect: 2
Dim x
Сообщить(IsEmpty(x)) ' expect: True
Сообщить("[" & x & "]") ' expect: []
Сообщить(x + 1) ' expect: 1
' Assigning an array copies it
Dim p, q
p = Array(1, 2)
q = p
q(0) = 9
Сообщить(p(0) & q(0)) ' expect: 19
