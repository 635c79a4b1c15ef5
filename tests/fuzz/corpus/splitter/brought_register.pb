[Strings]
Intro = 1
;->Strings more
;{//Intro
ProcedureDLL Sum(a.l, b.l = 1)
;/nosource
EndProcedure