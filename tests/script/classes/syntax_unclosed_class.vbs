Class Точка
  Public X
  Sub S
  End Sub
' expect error line 4: Ожидается 'End Class' (для 'Class' в строке 1)
