Сообщить(Int(3.7)) ' expect: 3
Сообщить(Int(-3.7)) ' expect: -4
Сообщить(Fix(-3.7)) ' expect: -3
Сообщить(Fix(3.7)) ' expect: 3
Сообщить(Int("3,9")) ' expect: 3
Сообщить(Abs(-5.5)) ' expect: 5.5
Сообщить(Abs(-32768)) ' expect: 32768
Сообщить(Sgn(-2)) ' expect: -1
Сообщить(Sgn(0)) ' expect: 0
Сообщить(Sgn(7.5)) ' expect: 1
Сообщить(Sqr(16)) ' expect: 4
Сообщить(Sqr(2) > 1.414) ' expect: True
Сообщить(Round(2.5)) ' expect: 2
Сообщить(Round(3.5)) ' expect: 4
Сообщить(Round(-2.5)) ' expect: -2
Сообщить(Round(2.567, 2)) ' expect: 2.57
Сообщить(Round(0.125, 2)) ' expect: 0.12
Сообщить(Round(7)) ' expect: 7
Сообщить(Hex(255)) ' expect: FF
Сообщить(Hex(-1)) ' expect: FFFF
Сообщить(Hex(65536)) ' expect: 10000
Сообщить(Oct(8)) ' expect: 10
Сообщить(Exp(0)) ' expect: 1
Сообщить(Log(1)) ' expect: 0
Randomize 1
Dim r
r = Rnd
Сообщить(r >= 0 And r < 1) ' expect: True
Сообщить(Int(Rnd * 6) + 1 <= 6) ' expect: True
Сообщить(Rnd(-1) = Rnd(-1)) ' expect: True
Randomize
Сообщить(Rnd < 1) ' expect: True
