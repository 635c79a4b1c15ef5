// The straightforward reading of the tweaked-source passes: every search
// walks the source line list from its first line, every rewrite visits every
// line for every procedure, and lines are inserted and deleted through the
// list's cursor. Slow, but plainly right; the indexed passes must give the
// same lines.
#pragma once

#include "source/procedure_table.h"

namespace lh::reference {

void add_internal_copies(SourceLines& source, const ProcedureTable& table);
void expand_optional_parameters(SourceLines& source, const ProcedureTable& table);
void redirect_string_calls(SourceLines& source, const ProcedureTable& table);

}  // namespace lh::reference
