' The program's own boxes go to stderr in the headless runner; only Сообщить is output.
Объект Х = СоздатьОбъект("справочник")
Сообщить(TypeName(Х)) ' expect: Nothing
Объект Ф = СоздатьОбъект("ФС")
Сообщить(TypeName(Ф)) ' expect: clsФС
Объект Р = СоздатьОбъект("Регистр")
Р.Вид = "Остатки"
Р.ДвижениеВыполнить("")
Сообщить("движение не выполнено") ' expect: движение не выполнено
Р.ДвижениеВыполнить("+") ' expect runtime error line 10: База данных не открыта
