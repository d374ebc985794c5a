Sub S
  Class Внутри
    Public X
  End Class
End Sub
' expect error line 2: Определение класса допустимо только на уровне модуля
