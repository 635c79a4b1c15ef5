// Generator of large, realistic library sources for the benchmarks and the
// randomised tests: every marker of the source grammar, string-returning
// commands, optional parameters, and calls between commands.
#pragma once

#include <cstdint>
#include <string>

namespace lh {

// A library source of `exported_procedures` ProcedureDLL commands (about 20
// lines each), CR LF line ends. The same seed gives the same text on every
// platform.
std::string generate_library_source(int exported_procedures, uint32_t seed);

// A library source whose pages carry as much text as real manuals: per
// command a description line, five lines of text and an example of ten
// lines, around a short body. The same seed gives the same text.
std::string generate_documented_library_source(int exported_procedures, uint32_t seed);

}  // namespace lh
