' Before any other call Rnd(0) repeats the generator's starting value.
Сообщить Rnd(0) ' expect: 0.01953125
