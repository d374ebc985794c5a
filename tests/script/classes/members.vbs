' Fields, methods, properties, Me and the default member of a module's class.
Class Счетчик
  Private m_count
  Public Name
  Dim items(2)
  Private Sub Class_Initialize
    m_count = 10
  End Sub
  Public Property Get Count
    Count = m_count
  End Property
  Public Property Let Count(v)
    If v < 0 Then Exit Property
    m_count = v
  End Property
  Public Sub Add(n)
    m_count = m_count + n
    Bump n
  End Sub
  Private Sub Bump(ByRef x)
    x = x + 1
  End Sub
  Public Function Fact(n)
    If n <= 1 Then Fact = 1 Else Fact = n * Fact(n - 1)
  End Function
  Public Default Function Item(i)
    Item = items(i)
  End Function
  Public Sub SetItem(i, v)
    items(i) = v
  End Sub
  Function Self()
    Set Self = Me
  End Function
End Class
Set c = New Счетчик
Сообщить c.Count ' expect: 10
c.Count = 5
c.Count = -1
Сообщить c.Count ' expect: 5
k = 3
c.Add k
Сообщить c.Count & " " & k ' expect: 8 4
Сообщить c.Fact(5) ' expect: 120
c.SetItem 1, "x"
Сообщить c(1) & " " & c.Item(1) & " " & c.items(1) ' expect: x x x
c.items(2) = "y"
Сообщить c(2) ' expect: y
Сообщить TypeName(c) & " " & IsObject(c) & " " & VarType(c) ' expect: Счетчик True 9
Сообщить c.Self Is c ' expect: True
Set d = New Счетчик
Сообщить d Is c ' expect: False
' A class may be used above its definition, and its name is not case-sensitive.
Set p = new точка
p.X = 1 : p.Y = 2
With p
  .X = .X + 10
  Сообщить .X & ";" & .Y ' expect: 11;2
End With
Class Точка
  Public X, Y
End Class
' A field passed by its bare name inside the class goes by reference; a property read
' through the object goes by value.
Class Итог
  Public Total
  Sub AddTo(ByRef t, n)
    t = t + n
  End Sub
  Sub Run
    AddTo Total, 5
  End Sub
End Class
Sub Inc(ByRef v)
  v = v + 1
End Sub
Set s = New Итог
s.Total = 1
s.Run
Inc s.Total
Сообщить s.Total ' expect: 6
Class Коробка
  Private m_obj
  Public Property Set Obj(o)
    Set m_obj = o
  End Property
  Public Property Get Obj
    Set Obj = m_obj
  End Property
End Class
Set b = New Коробка
Set b.Obj = New Точка
b.Obj.X = "внутри"
Сообщить b.Obj.X ' expect: внутри
