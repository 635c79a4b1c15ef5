// The tweaked source: three passes that rewrite the source line list before
// TailBite compiles it.
//
//   add_internal_copies        a plain copy "Name_internal" before every
//                              string-returning exported procedure;
//   expand_optional_parameters one exported variant per number of arguments
//                              for procedures with optional parameters, and
//                              calls sent to the variant that takes as many
//                              arguments as they pass;
//   redirect_string_calls      calls of string-returning procedures sent to
//                              their plain copies.
//
// Procedure bodies are taken from the source lines themselves (from after the
// header through the end line, documentation lines left out), never from the
// piece files: a no-source marker, an include folder or a repeated name can
// leave a piece file that does not hold the procedure's code.
//
// Calls are found through an index of names, so the work grows with the
// number of lines plus the number of calls rather than lines times
// procedures; the result is the same, byte for byte, as visiting every line
// for every procedure.
#pragma once

#include <string>
#include <string_view>

#include "source/procedure_table.h"

namespace lh {

void add_internal_copies(SourceLines& source, const ProcedureTable& table);
void expand_optional_parameters(SourceLines& source, const ProcedureTable& table);
void redirect_string_calls(SourceLines& source, const ProcedureTable& table);

// The three passes above, in that order, over one index of the source: the
// same lines as calling them one after the other, built once.
void tweak_source(SourceLines& source, const ProcedureTable& table);

// The call redirection of one expanded procedure on its own: a call of
// `name` passing A arguments (counted on its line) goes to the variant that
// takes them, A - required + 1, when there is one. A call stands at the line
// start or after a character that cannot end a name. Lines starting (after
// spaces) with "ProcedureDll" are the generated variant headers and are left
// alone.
void redirect_calls_to_full_variant(SourceLines& source, std::string_view name, int required, int variants);

// An end line for the passes: "EndProcedure" in any letter case with blanks
// around it, alone or followed by a ";" comment.
bool is_end_line(std::string_view line);

// A documentation line: ";//" after leading spaces. Such lines are not part
// of the code that the passes copy.
bool is_documentation_line(std::string_view line);

}  // namespace lh
