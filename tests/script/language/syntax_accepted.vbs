' Syntax the language accepts.
Function Sum(a, b)
  Sum = a + b
End Function
Sub Show(a, b)
  Сообщить a + b
End Sub
Call Show (1, 2) ' expect: 3
Private Const Rate = 5
Public Const Name = "н"
Сообщить Rate & Name ' expect: 5н
Сообщить (3 => 2) & (2 =< 1) & (1 >< 1) ' expect: TrueFalseFalse
If True Then :
Sub OneLine() : x = 1 End Sub
OneLine
If True Then
  Sub Inside()
    Сообщить "внутри"
  End Sub
End If
Inside ' expect: внутри
Stop
Dim a(3)
a (1) = 5
Сообщить a(1) ' expect: 5
Sub Twice(v)
  v = v * 2
End Sub
y = 4
Twice(y)
Сообщить y ' expect: 4
Twice y
Сообщить y ' expect: 8
Call Twice(y)
Сообщить y ' expect: 16
Сообщить -2 ^ 2 ' expect: 4
Сообщить 2 ^ -1 ' expect: 0.5
Сообщить 2 ^ 3 ^ 2 ' expect: 64
Сообщить Not 1 = 2 ' expect: True
Сообщить RGB(255, 128, 300) ' expect: 16744703
Сообщить ScriptEngine ' expect: VBScript
Сообщить vbObjectError ' expect: -2147221504
Сообщить vbWhite ' expect: 16777215
On Error Resume Next
Set o = Nothing
x = Nothing
Сообщить Err.Number ' expect: 91
On Error GoTo 0
[сумма заказа] = 10
[End] = 2
Сообщить [сумма заказа] * [End] ' expect: 20
