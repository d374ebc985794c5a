Class Точка
  Public X
End Class
Сообщить "не выполняется"
Class точка
  Public Y
End Class
' expect error line 5: Имя переопределено: 'точка'
