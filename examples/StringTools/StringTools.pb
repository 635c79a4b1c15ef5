; StringTools - a small PureBasic user library of string commands.
; Build it with LibHammer: every ProcedureDLL becomes a command, and the
; marked comments below become its manual.

#LIBRARY_VERSION="1.2"

; Constants and structures that programs using the library may need:
; LibHammer collects them into the resident file.
#STRTOOLS_LEFT = 0 ;//resident
#STRTOOLS_RIGHT = 1 ;//resident
Structure StrToolsRange ;//resident
  first.l ;//resident
  last.l ;//resident
EndStructure ;//resident

;{//Introduction
;// <b>StringTools</b> adds a dozen string commands to PureBasic:
;// repeating, padding and trimming text, and working with the words of a text.
;// Every command takes and returns ordinary PureBasic strings.
;//
;// Commands that return a string can be used anywhere a string is expected.
;{/* A first program
; OpenConsole()
; PrintN(StrPadLeft("7", 3, "0"))   ; "007"
; PrintN(StrCapitalize("hello world"))
; Input()
;}
;}

;->Index The commands of StringTools, by topic: repeating and padding, words, and tests.

;->Padding Commands that build longer strings out of shorter ones.

ProcedureDLL.s StrRepeat(text.s, count.l) ; Repeats a string
  ;// Returns <b>text$</b> repeated <b>count</b> times.
  ;// A count of 0 or less gives an empty string.
  Protected result.s, i.l
  For i = 1 To count
    result + text
  Next
  ProcedureReturn result
EndProcedure

ProcedureDLL.s StrPadLeft(text.s, width.l, fill.s = " ") ; Pads a string on the left
  ;// Fills <b>text$</b> on the left with <b>fill$</b> up to <b>width</b> characters.
  ;// <b>fill$</b> is optional and defaults to a space.
  ;// A text that is already as wide is returned unchanged.
  ;{/* Leading zeros
  ; Debug StrPadLeft("42", 5, "0") ; "00042"
  ;}
  If Len(text) >= width Or fill = ""
    ProcedureReturn text
  EndIf
  ProcedureReturn Right(StrRepeat(fill, width) + text, width)
EndProcedure

ProcedureDLL.s StrPadRight(text.s, width.l, fill.s = " ") ; Pads a string on the right
  ;// Fills <b>text$</b> on the right with <b>fill$</b> up to <b>width</b> characters.
  ;// See also StrPadLeft().
  If Len(text) >= width Or fill = ""
    ProcedureReturn text
  EndIf
  ProcedureReturn Left(text+StrRepeat(fill, width), width)
EndProcedure

ProcedureDLL.s StrCenter(text.s, width.l) ; Centres a string
  ;// Centres <b>text$</b> in a field of <b>width</b> spaces.
  Protected before.l = (width - Len(text)) / 2
  ProcedureReturn StrPadRight(StrPadLeft(text, Len(text) + before), width)
EndProcedure

ProcedureDLL.s StrTrimChars(text.s, chars.s = " ", side.l = 2) ; Trims characters
  ;// Removes every character of <b>chars$</b> from the ends of <b>text$</b>.
  ;// <b>side</b>: #STRTOOLS_LEFT, #STRTOOLS_RIGHT, or 2 for both ends (the default).
  Protected first.l = 1, last.l = Len(text)
  If side <> #STRTOOLS_RIGHT
    While first <= last And FindString(chars, Mid(text, first, 1), 1)
      first + 1
    Wend
  EndIf
  If side <> #STRTOOLS_LEFT
    While last >= first And FindString(chars, Mid(text, last, 1), 1)
      last - 1
    Wend
  EndIf
  ProcedureReturn Mid(text, first, last - first + 1)
EndProcedure

;->Words Commands that see a text as words separated by spaces.

ProcedureDLL.l StrCountWords(text.s) ; Counts the words of a text
  ;// Returns the number of words in <b>text$</b>; runs of spaces count as one separator.
  Protected count.l, i.l, inword.l
  For i = 1 To Len(text)
    If Mid(text, i, 1) = " "
      inword = #False
    ElseIf Not inword
      inword = #True
      count + 1
    EndIf
  Next
  ProcedureReturn count
EndProcedure

ProcedureDLL.s StrWordAt(text.s, index.l) ; Returns one word of a text
  ;// Returns word number <b>index</b> (from 1) of <b>text$</b>, or an empty string.
  ;{/* Second word
  ; Debug StrWordAt("one two three", 2) ; "two"
  ;}
  Protected clean.s = StrTrimChars(text)
  Protected n.l = 0, i.l
  For i = 1 To CountString(clean, " ") + 1
    If StringField(clean, i, " ") <> ""
      n + 1
      If n = index
        ProcedureReturn StringField(clean, i, " ")
      EndIf
    EndIf
  Next
  ProcedureReturn ""
EndProcedure

ProcedureDLL.s StrCapitalize(text.s) ; Capitalises every word
  ;// Returns <b>text$</b> with the first letter of every word in upper case.
  Protected result.s, i.l, word.s
  For i = 1 To StrCountWords(text)
    word = StrWordAt(text, i)
    If result <> "" : result + " " : EndIf
    result + UCase(Left(word, 1)) + Mid(word, 2)
  Next
  ProcedureReturn result
EndProcedure

ProcedureDLL.s StrReverseWords(text.s, separator.s = " ") ; Reverses the order of the words
  ;// Returns the words of <b>text$</b> in reverse order, joined by <b>separator$</b>.
  Protected result.s, i.l
  For i = StrCountWords(text) To 1 Step -1
    result + StrWordAt(text, i)
    If i > 1 : result + separator : EndIf
  Next
  ProcedureReturn result
EndProcedure
;{/*Demo Reversing a sentence
; Debug StrReverseWords("the quick brown fox") ; "fox brown quick the"
; Debug StrReverseWords("a b c", ", ")        ; "c, b, a"
;}

;->Tests Commands that compare strings and answer #True or #False.

ProcedureDLL.l StrStartsWith(text.s, prefix.s, nocase.l = #False) ; Tests the start of a string
  ;// Returns #True when <b>text$</b> begins with <b>prefix$</b>.
  ;// With <b>nocase</b> set, letter case is ignored.
  If nocase
    ProcedureReturn Bool(LCase(Left(text, Len(prefix))) = LCase(prefix))
  EndIf
  ProcedureReturn Bool(Left(text, Len(prefix)) = prefix)
EndProcedure

ProcedureDLL.l StrEndsWith(text.s, suffix.s) ; Tests the end of a string
  ;// Returns #True when <b>text$</b> ends with <b>suffix$</b>.
  ProcedureReturn Bool(Right(text, Len(suffix)) = suffix)
EndProcedure

ProcedureDLL.l StrIsBlank(text.s) ; Tests for an empty or blank string
  ;// Returns #True when <b>text$</b> holds nothing but spaces.
  ProcedureReturn Bool(StrTrimChars(text)="")
EndProcedure

ProcedureDLL.s StrToolsVersion() ; The library's version
  ;// Returns the version of StringTools as a string, such as "1.2".
  ProcedureReturn "1.2"
EndProcedure
;/nosource

;->StrToolsVersion Its source is left out of the manual: it only returns a constant.
