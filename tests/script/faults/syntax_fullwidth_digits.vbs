x = １２３
' expect error line 1: Недопустимый знак
