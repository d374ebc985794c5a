Class Точка
  Public X
  Sub X
  End Sub
End Class
' expect error line 3: Имя переопределено: 'X'
