Dim i
i = 1
Next
' expect error line 3: Next
