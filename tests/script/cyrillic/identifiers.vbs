' Names are the same whatever the letter case, in either alphabet
Dim Сумма
сумма = 10
СУММА = СУММА + 5
Сообщить(Сумма) ' expect: 15
Function Удвоить(Х)
  удвоить = х * 2
End Function
Сообщить(УДВОИТЬ(Сумма)) ' expect: 30
Dim ёлка : Ёлка = "ё"
Сообщить(ЁЛКА) ' expect: ё
Dim Итог_1
итог_1 = "подчёркивание"
Сообщить(ИТОГ_1) ' expect: подчёркивание
dim x : X = 1
if x = 1 then сообщить("нижний регистр") ' expect: нижний регистр
IF X = 1 THEN СООБЩИТЬ("верхний регистр") ' expect: верхний регистр
Dim Sum2Итого
sum2итого = 3
Сообщить(SUM2ИТОГО) ' expect: 3
Сообщить(Len("Ёж")) ' expect: 2
Сообщить(UCase("ёж")) ' expect: ЁЖ
Сообщить("Текст с «кавычками» — и тире") ' expect: Текст с «кавычками» — и тире
Сообщить(Истина) ' expect: True
Сообщить(Ложь Or Истина) ' expect: True
