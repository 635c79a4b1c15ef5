ProcedureDll.s B()
	B(1)
  EndProcedure  
ProcedureDLL.S C(a=)
