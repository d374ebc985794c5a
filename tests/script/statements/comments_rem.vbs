' A comment line
Rem A Rem line
rem lower-case rem
Сообщить("1") ' expect: 1
Dim s : Rem a Rem after a colon
s = "it's ' not a comment"
Сообщить(s) ' expect: it's ' not a comment
s = "Rem in a string"
Сообщить(s) ' expect: Rem in a string
Сообщить("""в кавычках""") ' expect: "в кавычках"
    ' an indented comment
Сообщить("конец") ' expect: конец
