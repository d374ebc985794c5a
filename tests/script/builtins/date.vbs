Dim d
d = DateSerial(2026, 12, 6)
Сообщить(d) ' expect: 06.12.2026
Сообщить(Year(d)) ' expect: 2026
Сообщить(Month(d)) ' expect: 12
Сообщить(Day(d)) ' expect: 6
Сообщить(Weekday(d)) ' expect: 1
Сообщить(Weekday(DateSerial(2026, 12, 7), 2)) ' expect: 1
Сообщить(DateSerial(2026, 13, 1)) ' expect: 01.01.2027
Сообщить(DateSerial(2026, 3, 0)) ' expect: 28.02.2026
Сообщить(TimeSerial(13, 4, 5)) ' expect: 13:04:05
Сообщить(d + TimeSerial(8, 30, 0)) ' expect: 06.12.2026 08:30:00
Сообщить(Hour(TimeSerial(13, 4, 5))) ' expect: 13
Сообщить(Minute(TimeSerial(13, 4, 5))) ' expect: 4
Сообщить(Second(TimeSerial(13, 4, 5))) ' expect: 5
Сообщить(DateAdd("d", 30, d)) ' expect: 05.01.2027
Сообщить(DateAdd("m", 1, DateSerial(2026, 1, 31))) ' expect: 28.02.2026
Сообщить(DateAdd("yyyy", -1, d)) ' expect: 06.12.2025
Сообщить(DateAdd("h", 25, d)) ' expect: 07.12.2026 01:00:00
Сообщить(DateAdd("ww", 1, d)) ' expect: 13.12.2026
Сообщить(DateDiff("d", DateSerial(2026, 1, 1), d)) ' expect: 339
Сообщить(DateDiff("m", DateSerial(2026, 1, 31), DateSerial(2026, 2, 1))) ' expect: 1
Сообщить(DateDiff("yyyy", DateSerial(2025, 12, 31), DateSerial(2026, 1, 1))) ' expect: 1
Сообщить(DateDiff("d", d, DateSerial(2026, 12, 1))) ' expect: -5
Сообщить(DateDiff("h", d, DateAdd("d", 1, d))) ' expect: 24
Сообщить(DateValue("06.12.2026 10:00:00")) ' expect: 06.12.2026
Сообщить(TimeValue("06.12.2026 10:00:00")) ' expect: 10:00:00
Сообщить(DateSerial(2026, 3, 1) - DateSerial(2026, 2, 1)) ' expect: 28
Сообщить(MonthName(12)) ' expect: Декабрь
Сообщить(MonthName(5, True)) ' expect: май
Сообщить(WeekdayName(2)) ' expect: понедельник
Сообщить(Year(Now) >= 2024) ' expect: True
Сообщить(DateValue(Now) = Date) ' expect: True
Сообщить(Len(CStr(Time)) = 8) ' expect: True
Сообщить(Day(DateSerial(2024, 2, 29))) ' expect: 29
Сообщить(Month("15.07.2026")) ' expect: 7
