' The line reported is the failing statement inside the procedure, not the call
Sub Делить(x)
  Сообщить("делим " & x)
  x = 10 / x ' expect runtime error line 4: Деление на ноль
End Sub
Делить 2
' expect: делим 2
Делить 0
' expect: делим 0
