Сообщить(Len("Балвикс")) ' expect: 7
Сообщить(Len("")) ' expect: 0
Сообщить(Len(12345)) ' expect: 5
Сообщить(IsNull(Len(Null))) ' expect: True
Сообщить(Left("Балвикс", 3)) ' expect: Бал
Сообщить(Right("Балвикс", 4)) ' expect: викс
Сообщить(Left("abc", 10)) ' expect: abc
Сообщить("[" & Left("abc", 0) & "]") ' expect: []
Сообщить(Mid("Балвикс", 2, 3)) ' expect: алв
Сообщить(Mid("Балвикс", 4)) ' expect: викс
Сообщить("[" & Mid("abc", 5) & "]") ' expect: []
Сообщить(InStr("abcabc", "c")) ' expect: 3
Сообщить(InStr(4, "abcabc", "c")) ' expect: 6
Сообщить(InStr("abc", "x")) ' expect: 0
Сообщить(InStr("abc", "")) ' expect: 1
Сообщить(InStr(1, "ABC", "b", 1)) ' expect: 2
Сообщить(InStr(1, "ABC", "b", 0)) ' expect: 0
Сообщить(InStr(1, "ПРИВЕТ", "вет", vbTextCompare)) ' expect: 4
Сообщить(InStrRev("abcabc", "b")) ' expect: 5
Сообщить(InStrRev("abcabc", "b", 4)) ' expect: 2
Сообщить(Replace("a-b-c", "-", "+")) ' expect: a+b+c
Сообщить(Replace("a-b-c", "-", "", 1, 1)) ' expect: ab-c
Сообщить(Replace("АбвАбв", "а", "я", 1, -1, 1)) ' expect: ябвябв
Сообщить(Replace("abcabc", "b", "X", 3)) ' expect: caXc
Сообщить("[" & Trim("  x  ") & "]") ' expect: [x]
Сообщить("[" & LTrim("  x  ") & "]") ' expect: [x  ]
Сообщить("[" & RTrim("  x  ") & "]") ' expect: [  x]
Сообщить(UCase("привет World")) ' expect: ПРИВЕТ WORLD
Сообщить(LCase("ПРИВЕТ World")) ' expect: привет world
Сообщить("[" & Space(3) & "]") ' expect: [   ]
Сообщить(String(3, "ab")) ' expect: aaa
Сообщить(String(2, 65)) ' expect: AA
Сообщить(StrReverse("абв")) ' expect: вба
Сообщить(StrComp("a", "b")) ' expect: -1
Сообщить(StrComp("b", "a")) ' expect: 1
Сообщить(StrComp("a", "A")) ' expect: 1
Сообщить(StrComp("a", "A", 1)) ' expect: 0
Сообщить(StrComp("ёж", "ЁЖ", vbTextCompare)) ' expect: 0
Сообщить(IsNull(StrComp(Null, "a"))) ' expect: True
Сообщить(Chr(65) & Chr(97)) ' expect: Aa
Сообщить(Asc("A")) ' expect: 65
Сообщить(Asc("Abc")) ' expect: 65
Сообщить(AscW("Я")) ' expect: 1071
Сообщить(ChrW(1046)) ' expect: Ж
Сообщить(Len("a" & vbTab & "b")) ' expect: 3
' Chr and Asc use the Russian Windows code page
Сообщить(Asc("Я")) ' expect: 223
Сообщить(Chr(192) & Chr(184)) ' expect: Аё
Сообщить(Asc(Chr(200))) ' expect: 200
