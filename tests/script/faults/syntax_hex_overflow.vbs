x = 1
y = &H100000000
' expect error line 2: Переполнение
