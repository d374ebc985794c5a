' A fixed array refuses ReDim before the new bound is converted.
Dim a(3)
On Error Resume Next
ReDim a("x")
Сообщить Err.Number ' expect: 10
