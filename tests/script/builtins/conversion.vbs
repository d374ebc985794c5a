Сообщить(CStr(0.5)) ' expect: 0.5
Сообщить(CStr(1 / 4)) ' expect: 0.25
Сообщить(CStr(1E+20)) ' expect: 1E+20
Сообщить(CStr(True)) ' expect: True
Сообщить(CStr(-3)) ' expect: -3
Сообщить(CInt("12")) ' expect: 12
Сообщить(CInt("  7 ")) ' expect: 7
Сообщить(CInt(True)) ' expect: -1
Сообщить(CLng("100000")) ' expect: 100000
Сообщить(CLng("-12,7")) ' expect: -13
Сообщить(CDbl("2,5") * 2) ' expect: 5
Сообщить(CDbl("2.5") * 2) ' expect: 5
Сообщить(CBool(0)) ' expect: False
Сообщить(CBool(-3)) ' expect: True
Сообщить(CBool("True")) ' expect: True
Сообщить(CBool("false")) ' expect: False
Сообщить(CSng(1.5)) ' expect: 1.5
Сообщить(TypeName(CInt(1))) ' expect: Integer
Сообщить(TypeName(CLng(1))) ' expect: Long
Сообщить(TypeName(CDbl(1))) ' expect: Double
Сообщить(TypeName(CStr(1))) ' expect: String
Сообщить(TypeName(CBool(1))) ' expect: Boolean
Сообщить(TypeName(CDate("01.02.2026"))) ' expect: Date
Сообщить(CDate("05.12.2026")) ' expect: 05.12.2026
Сообщить(CDate("05.12.2026 13:04:05")) ' expect: 05.12.2026 13:04:05
Сообщить(CDate("13:04")) ' expect: 13:04:00
Сообщить(IsNumeric("12,5")) ' expect: True
Сообщить(IsNumeric("12.5")) ' expect: True
Сообщить(IsNumeric(" 5 ")) ' expect: True
Сообщить(IsNumeric("abc")) ' expect: False
Сообщить(IsNumeric("")) ' expect: False
Сообщить(IsNumeric(Empty)) ' expect: True
Сообщить(IsNumeric(Null)) ' expect: False
Сообщить(IsEmpty(Empty)) ' expect: True
Сообщить(IsEmpty("")) ' expect: False
Сообщить(IsNull(Null)) ' expect: True
Сообщить(IsNull(Empty)) ' expect: False
Сообщить(IsDate("31.12.2026")) ' expect: True
Сообщить(IsDate("31.13.2026")) ' expect: False
Сообщить(IsDate("пусто")) ' expect: False
' FormatNumber follows the Russian regional style: no-break space between groups, comma
Сообщить(Replace(FormatNumber(1234.567), ChrW(160), " ")) ' expect: 1 234,57
Сообщить(Replace(FormatNumber(1234.567, 1), ChrW(160), " ")) ' expect: 1 234,6
Сообщить(FormatNumber(0.5, 2, 0)) ' expect: ,50
Сообщить(FormatNumber(0.5)) ' expect: 0,50
Сообщить(Replace(FormatNumber(-1234, 0), ChrW(160), " ")) ' expect: -1 234
Сообщить(FormatNumber(-5, 1, -1, -1)) ' expect: (5,0)
Сообщить(FormatNumber(1234.5, 2, -1, 0, 0)) ' expect: 1234,50
