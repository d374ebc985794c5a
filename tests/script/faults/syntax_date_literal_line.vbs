' A date literal ends on its line.
x = #01.01.2020
y = 2#
' expect error line 2: Недопустимая константа даты
