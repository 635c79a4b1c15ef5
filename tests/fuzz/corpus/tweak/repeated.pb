ProcedureDLL.s A(x = 1)
  y = A(1) + A (2)
EndProcedure
ProcedureDLL.s A_internal()
EndProcedure
z = A(3):A(4)
