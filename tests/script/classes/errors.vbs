' Run-time errors of classes.
Class Точка
  Public X
  Private secret
  Public Property Get Только
    Только = 1
  End Property
  Sub Two(a, b)
  End Sub
End Class
Set p = New Точка
On Error Resume Next
p.Nope
Сообщить Err.Number ' expect: 438
Err.Clear
p.secret = 1
Сообщить Err.Number ' expect: 438
Err.Clear
p.Только = 2
Сообщить Err.Number ' expect: 438
Err.Clear
p.Two 1
Сообщить Err.Number ' expect: 450
Err.Clear
Set q = New НетТакого
Сообщить Err.Number & " " & Err.Description ' expect: 506 Класс не определен: 'НетТакого'
Err.Clear
For Each x In p
Next
Сообщить Err.Number & " " & Err.Description ' expect: 451 Объект не является коллекцией
Err.Clear
x = p(1)
Сообщить Err.Number ' expect: 438
Err.Clear
Set n = Nothing
n.X = 1
Сообщить Err.Number ' expect: 91
On Error GoTo 0
Set q = New Пропавший
' expect runtime error line 39: Класс не определен
