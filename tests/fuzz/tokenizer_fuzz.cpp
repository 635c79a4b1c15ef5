// The tokenizer behind SyntaxHighlight and the colouring built on it: the
// tokens cover every byte once, in order, each with a known class; the
// coloured text is the input with font tags around whole tokens, so that
// removing the tags gives back the input.
#include <vector>

#include "fuzz_check.h"
#include "help/colouring.h"

namespace {

struct Token {
  size_t at, length;
  int32_t token_class;
};

const char* g_base;
std::vector<Token>* g_tokens;

int32_t LH_CDECL collect(const char* token, int32_t length, int32_t token_class) {
  LH_FUZZ_CHECK(length > 0, "empty token");
  LH_FUZZ_CHECK(token_class >= 0 && token_class <= 12, "unknown token class");
  g_tokens->push_back({static_cast<size_t>(token - g_base), static_cast<size_t>(length), token_class});
  return 0;
}

bool starts(std::string_view s, size_t at, std::string_view prefix) { return s.substr(at, prefix.size()) == prefix; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view code(reinterpret_cast<const char*>(data), size);
  std::vector<Token> tokens;
  g_base = code.data();
  g_tokens = &tokens;
  SyntaxHighlight(code.data(), static_cast<int32_t>(code.size()), collect, 0);
  size_t next = 0;
  for (const Token& t : tokens) {
    LH_FUZZ_CHECK(t.at == next, "tokens leave a gap or overlap");
    next += t.length;
  }
  LH_FUZZ_CHECK(next == code.size(), "tokens do not cover the input");

  // Walk the coloured text token by token: an optional opening font tag,
  // the token's bytes, and the closing tag when one was opened.
  std::string coloured;
  lh::colour_text(lh::linked_highlighter(), code, coloured);
  constexpr std::string_view kOpen = "<font color=#", kClose = "</font>";
  size_t at = 0;
  for (const Token& t : tokens) {
    bool tagged = false;
    if (starts(coloured, at, kOpen) && coloured.size() >= at + kOpen.size() + 7 &&
        coloured[at + kOpen.size() + 6] == '>' &&
        coloured.substr(at + kOpen.size() + 7, t.length) == code.substr(t.at, t.length) &&
        starts(coloured, at + kOpen.size() + 7 + t.length, kClose)) {
      tagged = true;
      at += kOpen.size() + 7;
    }
    LH_FUZZ_CHECK(coloured.substr(at, t.length) == code.substr(t.at, t.length), "token bytes changed");
    at += t.length;
    if (tagged) at += kClose.size();
  }
  LH_FUZZ_CHECK(at == coloured.size(), "coloured text holds more than the tagged tokens");
  return 0;
}
