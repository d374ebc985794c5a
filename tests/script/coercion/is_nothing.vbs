Dim o, p
Set o = Nothing
Сообщить(o Is Nothing) ' expect: True
Сообщить(IsObject(o)) ' expect: True
Сообщить(TypeName(o)) ' expect: Nothing
Set p = Err
Сообщить(p Is Nothing) ' expect: False
Сообщить(p Is Err) ' expect: True
Set o = p
Сообщить(o Is p) ' expect: True
Сообщить(IsObject(5)) ' expect: False
