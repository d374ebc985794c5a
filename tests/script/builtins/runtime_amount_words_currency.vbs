' A currency СуммаПрописью does not know is refused, naming the ones it does.
Сообщить СуммаПрописью(1, "GBP") ' expect runtime error line 2: неизвестная валюта «GBP»
