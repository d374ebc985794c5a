Сообщить("вызов") ' expect: вызов
НетТакойПроцедуры 1 ' expect runtime error line 2: НетТакойПроцедуры
