Сообщить(7 \ 1) ' expect: 7
Сообщить(7 \ 0) ' expect runtime error line 2: Деление на ноль
