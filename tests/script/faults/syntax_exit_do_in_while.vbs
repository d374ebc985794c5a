' Exit Do in a While…Wend without a Do around it.
While True
  Exit Do
Wend
' expect error line 3: Exit Do
