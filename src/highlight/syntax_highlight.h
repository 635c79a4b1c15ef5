// The C interface of the highlighting library SyntaxHilighting: one export,
// SyntaxHighlight, that reports the tokens of a buffer of PureBasic code to a
// token function. Both use the C calling convention, so the library can be
// loaded by any program that knows this contract.
#pragma once

#include <cstdint>

#if defined(_WIN32) && !defined(_WIN64)
#define LH_CDECL __cdecl
#else
#define LH_CDECL
#endif

#if defined(__GNUC__) && !defined(_WIN32)
#define LH_HIGHLIGHT_EXPORT __attribute__((visibility("default")))
#else
#define LH_HIGHLIGHT_EXPORT
#endif

extern "C" {

// Receives one token: its first byte inside the caller's buffer, its length
// in bytes and its class (see TokenClass). The result is not used.
typedef int32_t(LH_CDECL* SyntaxTokenFunction)(const char* token, int32_t length, int32_t token_class);

// Reports every token of `bytes` to `token_function`, in order of position,
// before it returns; the tokens cover every byte exactly once. Returns at
// once, reporting nothing, for a null buffer, a length not above 0 or a null
// token function. `flag` is reserved and should be 0. Returns 0.
LH_HIGHLIGHT_EXPORT int32_t LH_CDECL SyntaxHighlight(const char* bytes, int32_t length,
                                                     SyntaxTokenFunction token_function, int32_t flag);

typedef int32_t(LH_CDECL* SyntaxHighlightFunction)(const char*, int32_t, SyntaxTokenFunction, int32_t);
}

namespace lh::highlight {

enum TokenClass : int32_t {
  kText = 0,        // names, blanks, line ends, anything else
  kKeyword = 1,     // a word of the language: If, Procedure, EndProcedure...
  kComment = 2,     // ";" to the end of the line, the line end included
  kConstant = 3,    // "#" and a name
  kString = 4,      // a double-quoted literal; an unclosed one takes its line end
  kCall = 5,        // a name followed by "(" (after blanks or not)
  kAssembly = 6,    // a line starting with "!", up to ";" or the line end
  kOperator = 7,    // one operator character
  kStructure = 8,   // a name after "." (but one-letter types), a field after "\"
  kNumber = 9,      // decimal, "$" hexadecimal, "%" binary, 'c' character
  kPointer = 10,    // "@name", "?name", and "*name" where "*" is no product
  kSeparator = 11,  // one of ( ) [ ] . , : and backslash
  kLabel = 12,      // a name alone at the start of its line with its ":"
};

}  // namespace lh::highlight
