Dim n
n = 5
If n > 3 Then Сообщить("больше") ' expect: больше
If n > 10 Then Сообщить("нет") Else Сообщить("иначе") ' expect: иначе
If n = 5 Then
  Сообщить("пять") ' expect: пять
End If
If n < 0 Then
  Сообщить("отрицательное")
ElseIf n < 5 Then
  Сообщить("малое")
ElseIf n < 10 Then
  Сообщить("среднее") ' expect: среднее
Else
  Сообщить("большое")
End If
If n = 1 Then
  Сообщить("1")
Else
  Сообщить("не 1") ' expect: не 1
End If
If n Then Сообщить("ненулевое истинно") ' expect: ненулевое истинно
If 0 Then Сообщить("ноль") Else Сообщить("ноль ложно") ' expect: ноль ложно
If n > 1 Then n = n + 1 : Сообщить(n) ' expect: 6
If n > 100 Then n = 0 : Сообщить("не выполнено")
Сообщить(n) ' expect: 6
If n > 1 And n < 10 Then Сообщить("в диапазоне") ' expect: в диапазоне
If Not (n = 6) Then Сообщить("x") Else Сообщить("not") ' expect: not
If n > 0 Then
  If n > 5 Then
    Сообщить("вложенное") ' expect: вложенное
  Else
    Сообщить("нет")
  End If
End If
If n = 6 Then Сообщить("без End If")
' expect: без End If
