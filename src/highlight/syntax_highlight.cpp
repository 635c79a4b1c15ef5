// The PureBasic tokenizer behind SyntaxHighlight. One pass over the buffer,
// no allocation: each token is reported as a pointer into the caller's
// buffer. Context is one flag for "only blanks so far on this line" and one
// for "the last token could end an operand", which tells "*" and "%" as
// operators from "*pointer" and "%0101".
#include "highlight/syntax_highlight.h"

#include <cstddef>

#include "highlight/keywords.h"

namespace lh::highlight {
namespace {

enum : uint8_t {
  kOther = 0,
  kNameStart = 1,  // letters and "_"
  kDigit = 2,
  kBlank = 3,    // space and tab
  kLineEnd = 4,  // CR and LF
  kSpecial = 5,  // a character with a rule of its own
};

struct CharTable {
  uint8_t c[256];
  constexpr CharTable() : c{} {
    for (int i = 'a'; i <= 'z'; ++i) c[i] = kNameStart;
    for (int i = 'A'; i <= 'Z'; ++i) c[i] = kNameStart;
    set('_', kNameStart);
    for (int i = '0'; i <= '9'; ++i) c[i] = kDigit;
    set(' ', kBlank);
    set('\t', kBlank);
    set('\r', kLineEnd);
    set('\n', kLineEnd);
    for (unsigned char s : "\";'!*%$#@?=+-/&|~<>()[].,:\\") c[s] = kSpecial;
    c[0] = kOther;  // the string literal's terminator above marked NUL
  }
  constexpr void set(char ch, uint8_t kind) { c[static_cast<unsigned char>(ch)] = kind; }
};

constexpr CharTable kChars;

inline uint8_t kind_of(char ch) { return kChars.c[static_cast<unsigned char>(ch)]; }
inline bool is_name_char(char ch) {
  uint8_t k = kind_of(ch);
  return k == kNameStart || k == kDigit;
}
inline bool is_hex_digit(char ch) {
  return (ch >= '0' && ch <= '9') || (ch >= 'a' && ch <= 'f') || (ch >= 'A' && ch <= 'F');
}

// The one-letter built-in types that may follow "." (A B C U W L S F D Q I).
inline bool is_type_letter(char ch) {
  switch (ch | 0x20) {
    case 'a':
    case 'b':
    case 'c':
    case 'u':
    case 'w':
    case 'l':
    case 's':
    case 'f':
    case 'd':
    case 'q':
    case 'i':
      return true;
    default:
      return false;
  }
}

struct Scanner {
  const char* buf;
  std::size_t size;
  SyntaxTokenFunction emit;
  std::size_t pos = 0;
  bool line_start = true;          // only blanks so far on this line
  bool operand = false;            // the last token could end an operand
  bool dot_after_operand = false;  // the "." last seen followed an operand
  bool ended_line = false;         // the last token took a line end with it

  void token(std::size_t start, int32_t token_class) {
    emit(buf + start, static_cast<int32_t>(pos - start), token_class);
  }

  // End of a name from `i`: letters, digits, "_", and a closing "$".
  std::size_t name_end(std::size_t i) const {
    while (i < size && is_name_char(buf[i])) ++i;
    if (i < size && buf[i] == '$') ++i;
    return i;
  }

  // Moves past a line end (CR LF, CR or LF) at pos, if any.
  void take_line_end() {
    if (pos < size && buf[pos] == '\r') {
      ++pos;
      if (pos < size && buf[pos] == '\n') ++pos;
    } else if (pos < size && buf[pos] == '\n') {
      ++pos;
    }
  }

  void run() {
    while (pos < size) {
      std::size_t start = pos;
      char ch = buf[pos];
      switch (kind_of(ch)) {
        case kBlank:
          while (pos < size && kind_of(buf[pos]) == kBlank) ++pos;
          token(start, kText);
          continue;  // blanks change no context
        case kLineEnd:
          take_line_end();
          token(start, kText);
          line_start = true;
          operand = false;
          continue;
        case kNameStart:
          name(start);
          break;
        case kDigit:
          number(start);
          break;
        case kSpecial:
          special(start, ch);
          break;
        default:
          while (pos < size && kind_of(buf[pos]) == kOther) ++pos;
          token(start, kText);
          operand = false;
          break;
      }
      // A comment or an unclosed string took the line end with it.
      line_start = ended_line;
      ended_line = false;
    }
  }

  void name(std::size_t start) {
    pos = name_end(start);
    char before = start > 0 ? buf[start - 1] : '\0';
    if (before == '.') {
      // A type or structure after ".": one-letter built-in types stay plain.
      bool one_letter = pos - start == 1 && is_type_letter(buf[start]);
      token(start, one_letter ? kText : kStructure);
      operand = dot_after_operand;
      return;
    }
    std::size_t after = pos;
    while (after < size && kind_of(buf[after]) == kBlank) ++after;
    bool call = after < size && buf[after] == '(';
    if (before == '\\') {
      token(start, call ? kCall : kStructure);  // a method call or a field
      operand = !call;
      return;
    }
    if (is_keyword(buf + start, pos - start)) {
      token(start, kKeyword);
      operand = false;
      return;
    }
    if (line_start && pos < size && buf[pos] == ':' && buf[pos - 1] != '$' &&
        !(pos + 1 < size && buf[pos + 1] == ':')) {
      ++pos;  // a label keeps its ":"; "Name::" is a module path, no label
      token(start, kLabel);
      operand = false;
      return;
    }
    token(start, call ? kCall : kText);
    operand = !call;
  }

  void number(std::size_t start) {
    while (pos < size && kind_of(buf[pos]) == kDigit) ++pos;
    if (pos + 1 < size && buf[pos] == '.' && kind_of(buf[pos + 1]) == kDigit) {
      pos += 2;
      while (pos < size && kind_of(buf[pos]) == kDigit) ++pos;
    }
    if (pos < size && (buf[pos] == 'e' || buf[pos] == 'E')) {
      std::size_t e = pos + 1;
      if (e < size && (buf[e] == '+' || buf[e] == '-')) ++e;
      if (e < size && kind_of(buf[e]) == kDigit) {
        pos = e;
        while (pos < size && kind_of(buf[pos]) == kDigit) ++pos;
      }
    }
    token(start, kNumber);
    operand = true;
  }

  // A one-character token.
  void single(std::size_t start, int32_t token_class, bool ends_operand) {
    pos = start + 1;
    token(start, token_class);
    operand = ends_operand;
  }

  // A prefix character followed by a name, as one token.
  bool prefixed_name(std::size_t start, std::size_t name_start, int32_t token_class) {
    if (name_start >= size || kind_of(buf[name_start]) != kNameStart) return false;
    pos = name_end(name_start);
    token(start, token_class);
    operand = true;
    return true;
  }

  void special(std::size_t start, char ch) {
    switch (ch) {
      case ';':
        comment(start);
        return;
      case '"':
        string(start);
        return;
      case '\'':
        character(start);
        return;
      case '!':
        if (line_start) {
          assembly(start);
          return;
        }
        single(start, kOperator, false);
        return;
      case '*':
        if (!operand && prefixed_name(start, start + 1, kPointer)) return;
        single(start, kOperator, false);
        return;
      case '%':
        if (!operand && start + 1 < size && (buf[start + 1] == '0' || buf[start + 1] == '1')) {
          pos = start + 1;
          while (pos < size && (buf[pos] == '0' || buf[pos] == '1')) ++pos;
          token(start, kNumber);
          operand = true;
          return;
        }
        single(start, kOperator, false);
        return;
      case '$':
        if (start + 1 < size && is_hex_digit(buf[start + 1])) {
          pos = start + 1;
          while (pos < size && is_hex_digit(buf[pos])) ++pos;
          token(start, kNumber);
          operand = true;
          return;
        }
        single(start, kText, false);
        return;
      case '#':
        if (prefixed_name(start, start + 1, kConstant)) return;
        single(start, kText, false);
        return;
      case '@':
        // "@name", "@*pointer" and "?label": the address of something.
        if (start + 1 < size && buf[start + 1] == '*' && prefixed_name(start, start + 2, kPointer)) return;
        [[fallthrough]];
      case '?':
        if (prefixed_name(start, start + 1, kPointer)) return;
        single(start, kText, false);
        return;
      case '(':
      case '[':
      case ',':
      case ':':
      case '\\':
        single(start, kSeparator, false);
        return;
      case ')':
      case ']':
        single(start, kSeparator, true);
        return;
      case '.':
        dot_after_operand = operand;
        single(start, kSeparator, false);
        return;
      default:  // = + - / & | ~ < >
        single(start, kOperator, false);
        return;
    }
  }

  // Up to the line end, which belongs to the token.
  void to_line_end(std::size_t start, int32_t token_class) {
    while (pos < size && kind_of(buf[pos]) != kLineEnd) ++pos;
    std::size_t end = pos;
    take_line_end();
    token(start, token_class);
    ended_line = pos > end;
    operand = false;
  }

  void comment(std::size_t start) {
    pos = start + 1;
    to_line_end(start, kComment);
  }

  void string(std::size_t start) {
    // After "~" a string takes escapes: a backslash keeps the next character
    // (a quote among them) inside the literal.
    bool escapes = start > 0 && buf[start - 1] == '~';
    pos = start + 1;
    while (pos < size) {
      char c = buf[pos];
      if (c == '"') {
        ++pos;
        token(start, kString);
        operand = true;
        return;
      }
      if (kind_of(c) == kLineEnd) break;
      if (escapes && c == '\\' && pos + 1 < size && kind_of(buf[pos + 1]) != kLineEnd) ++pos;
      ++pos;
    }
    to_line_end(start, kString);
  }

  // 'c': a character's code, a number. An unclosed quote is a plain character.
  void character(std::size_t start) {
    std::size_t i = start + 1;
    while (i < size && buf[i] != '\'' && kind_of(buf[i]) != kLineEnd) ++i;
    if (i < size && buf[i] == '\'' && i > start + 1) {
      pos = i + 1;
      token(start, kNumber);
      operand = true;
      return;
    }
    single(start, kText, false);
  }

  void assembly(std::size_t start) {
    pos = start + 1;
    while (pos < size && buf[pos] != ';' && kind_of(buf[pos]) != kLineEnd) ++pos;
    token(start, kAssembly);
    operand = false;
  }
};

}  // namespace
}  // namespace lh::highlight

extern "C" int32_t LH_CDECL SyntaxHighlight(const char* bytes, int32_t length, SyntaxTokenFunction token_function,
                                            int32_t /*flag*/) {
  if (bytes == nullptr || length <= 0 || token_function == nullptr) return 0;
  lh::highlight::Scanner scanner{bytes, static_cast<std::size_t>(length), token_function};
  scanner.run();
  return 0;
}
