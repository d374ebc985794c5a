x = 1

y = 1e400
' expect error line 3: Переполнение
