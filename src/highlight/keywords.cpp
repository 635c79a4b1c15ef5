#include "highlight/keywords.h"

#include <array>
#include <cstdint>
#include <string_view>

#include "base/ascii.h"

namespace lh::highlight {
namespace {

// PureBasic's reserved words, lower-cased (the language ignores letter case).
constexpr std::string_view kKeywords[] = {
    "align",
    "and",
    "array",
    "as",
    "break",
    "calldebugger",
    "case",
    "compilercase",
    "compilerdefault",
    "compilerelse",
    "compilerelseif",
    "compilerendif",
    "compilerendselect",
    "compilererror",
    "compilerif",
    "compilerselect",
    "compilerwarning",
    "continue",
    "data",
    "datasection",
    "debug",
    "debuglevel",
    "declare",
    "declarec",
    "declarecdll",
    "declaredll",
    "declaremodule",
    "default",
    "define",
    "dim",
    "disableasm",
    "disabledebugger",
    "disableexplicit",
    "else",
    "elseif",
    "enableasm",
    "enabledebugger",
    "enableexplicit",
    "end",
    "enddatasection",
    "enddeclaremodule",
    "endenumeration",
    "endif",
    "endimport",
    "endinterface",
    "endmacro",
    "endmodule",
    "endprocedure",
    "endselect",
    "endstructure",
    "endstructureunion",
    "endwith",
    "enumeration",
    "enumerationbinary",
    "extends",
    "fakereturn",
    "for",
    "foreach",
    "forever",
    "global",
    "gosub",
    "goto",
    "if",
    "import",
    "importc",
    "includebinary",
    "includefile",
    "includepath",
    "interface",
    "list",
    "macro",
    "macroexpandedcount",
    "map",
    "module",
    "newlist",
    "newmap",
    "next",
    "not",
    "or",
    "procedure",
    "procedurec",
    "procedurecdll",
    "proceduredll",
    "procedurereturn",
    "protected",
    "prototype",
    "prototypec",
    "read",
    "redim",
    "repeat",
    "restore",
    "return",
    "runtime",
    "select",
    "shared",
    "static",
    "step",
    "structure",
    "structureunion",
    "swap",
    "threaded",
    "to",
    "undefinemacro",
    "until",
    "unusemodule",
    "usemodule",
    "wend",
    "while",
    "with",
    "xincludefile",
    "xor",
};

constexpr std::size_t kMaxKeyword = 18;  // "macroexpandedcount"
constexpr std::size_t kSlots = 512;      // a power of two, under a quarter full

constexpr uint32_t hash(const char* s, std::size_t n) {
  uint32_t h = 2166136261u;
  for (std::size_t i = 0; i < n; ++i) h = (h ^ uint8_t(ascii_lower(s[i]))) * 16777619u;
  return h;
}

// Open addressing: slot -> index + 1 into kKeywords, 0 for an empty slot.
constexpr std::array<uint8_t, kSlots> build_table() {
  std::array<uint8_t, kSlots> t{};
  for (std::size_t k = 0; k < std::size(kKeywords); ++k) {
    uint32_t s = hash(kKeywords[k].data(), kKeywords[k].size()) & (kSlots - 1);
    while (t[s] != 0) s = (s + 1) & (kSlots - 1);
    t[s] = uint8_t(k + 1);
  }
  return t;
}

constexpr std::array<uint8_t, kSlots> kTable = build_table();

}  // namespace

bool is_keyword(const char* name, std::size_t length) {
  if (length < 2 || length > kMaxKeyword) return false;
  uint32_t s = hash(name, length) & (kSlots - 1);
  while (uint8_t k = kTable[s]) {
    std::string_view word = kKeywords[k - 1];
    if (word.size() == length) {
      std::size_t i = 0;
      while (i < length && ascii_lower(name[i]) == word[i]) ++i;
      if (i == length) return true;
    }
    s = (s + 1) & (kSlots - 1);
  }
  return false;
}

}  // namespace lh::highlight
