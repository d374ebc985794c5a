' The regular-expression object: a table of patterns with what Test, Execute and Replace give.
Function Run(pattern, text, flags, replacement)
  Set re = New RegExp
  re.Pattern = pattern
  re.Global = InStr(flags, "g") > 0
  re.IgnoreCase = InStr(flags, "i") > 0
  re.Multiline = InStr(flags, "m") > 0
  Set ms = re.Execute(text)
  r = re.Test(text) & " " & ms.Count
  For Each m In ms
    r = r & " [" & m.FirstIndex & ":" & m.Value
    For i = 0 To m.SubMatches.Count - 1
      r = r & "|" & m.SubMatches(i)
    Next
    r = r & "]"
  Next
  Run = Replace(r & " " & re.Replace(text, replacement), vbLf, "/")
End Function
Сообщить Run("\d+", "a12b345", "g", "<$&>") ' expect: True 2 [1:12] [4:345] a<12>b<345>
Сообщить Run("\d+", "a12b345", "", "#") ' expect: True 1 [1:12] a#b345
Сообщить Run("(\w+)@(\w+)", "иван@почта, petr@mail", "g", "$2:$1") ' expect: True 2 [0:иван@почта|иван|почта] [12:petr@mail|petr|mail] почта:иван, mail:petr
Сообщить Run("^стол", "Стол" & vbLf & "стол", "gi", "X") ' expect: True 1 [0:Стол] X/стол
Сообщить Run("^стол$", "Стол" & vbLf & "стол", "gim", "X") ' expect: True 2 [0:Стол] [5:стол] X/X
Сообщить Run("(a)|(b)", "b", "", "[$1$2$$]") ' expect: True 1 [0:b||b] [b$]
Сообщить Run("x", "abc", "g", "y") ' expect: False 0 abc
Set re = СоздатьОбъект("RegExp")
re.Pattern = "("
On Error Resume Next
re.Test "a"
Сообщить Err.Number ' expect: 5017
Сообщить TypeName(re) ' expect: IRegExp2
' Without Multiline "$" is the very end of the text, not the place before a final line feed.
Сообщить Run("a$", "a" & vbLf, "", "X") ' expect: False 0 a/
Сообщить Run("a$", "a" & vbLf, "m", "X") ' expect: True 1 [0:a] X/
Сообщить Run("[$]\$|b$", "$$ b", "g", "X") ' expect: True 2 [0:$$] [3:b] X X
