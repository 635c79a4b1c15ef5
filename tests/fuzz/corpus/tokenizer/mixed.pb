Procedure.s Upper(text.s) ; comment <>
  x = #PB_Any + $FF + %101 + 'c' * 2
  *p.Point = @x : p\x = 1.5
!mov eax, 1 ; asm
Label:
  Debug "unclosed
EndProcedure