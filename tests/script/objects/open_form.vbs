' Without windows a choice list cannot open; other kinds only keep the name.
ОткрытьФорму("Отчет.Итоги")
Сообщить("отчет") ' expect: отчет
ОткрытьФорму("Справочник.Товары") ' expect runtime error line 4: не открывается: модуль выполняется без окон
