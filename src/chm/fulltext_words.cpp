#include "chm/fulltext_words.h"

#include <array>
#include <cstdint>

namespace lh::chm {
namespace {

// Windows-1252 letters above ASCII: the accented Latin-1 range without
// × (D7) and ÷ (F7), and the letters the code page puts in 80-9F, A0-BF.
constexpr std::array<bool, 256> make_word_bytes() {
  std::array<bool, 256> t{};
  for (int c = '0'; c <= '9'; ++c) t[c] = true;
  for (int c = 'A'; c <= 'Z'; ++c) t[c] = t[c + 32] = true;
  for (int c : {0x83, 0x8A, 0x8C, 0x8E, 0x9A, 0x9C, 0x9E, 0x9F, 0xAA, 0xB5, 0xBA}) t[c] = true;
  for (int c = 0xC0; c <= 0xFF; ++c) t[c] = c != 0xD7 && c != 0xF7;
  return t;
}
constexpr std::array<bool, 256> kWordBytes = make_word_bytes();

constexpr std::array<unsigned char, 256> make_fold() {
  std::array<unsigned char, 256> t{};
  for (int c = 0; c < 256; ++c) t[c] = static_cast<unsigned char>(c);
  for (int c = 'A'; c <= 'Z'; ++c) t[c] = static_cast<unsigned char>(c + 32);
  for (int c = 0xC0; c <= 0xDE; ++c)
    if (c != 0xD7) t[c] = static_cast<unsigned char>(c + 32);
  t[0x8A] = 0x9A;  // Š š
  t[0x8C] = 0x9C;  // Œ œ
  t[0x8E] = 0x9E;  // Ž ž
  t[0x9F] = 0xFF;  // Ÿ ÿ
  return t;
}
constexpr std::array<unsigned char, 256> kFold = make_fold();

// HTML's names for A0..FF, in code order.
constexpr std::string_view kLatin1Names[96] = {
    "nbsp",   "iexcl",  "cent",   "pound",  "curren", "yen",    "brvbar", "sect",   "uml",    "copy",   "ordf",
    "laquo",  "not",    "shy",    "reg",    "macr",   "deg",    "plusmn", "sup2",   "sup3",   "acute",  "micro",
    "para",   "middot", "cedil",  "sup1",   "ordm",   "raquo",  "frac14", "frac12", "frac34", "iquest", "Agrave",
    "Aacute", "Acirc",  "Atilde", "Auml",   "Aring",  "AElig",  "Ccedil", "Egrave", "Eacute", "Ecirc",  "Euml",
    "Igrave", "Iacute", "Icirc",  "Iuml",   "ETH",    "Ntilde", "Ograve", "Oacute", "Ocirc",  "Otilde", "Ouml",
    "times",  "Oslash", "Ugrave", "Uacute", "Ucirc",  "Uuml",   "Yacute", "THORN",  "szlig",  "agrave", "aacute",
    "acirc",  "atilde", "auml",   "aring",  "aelig",  "ccedil", "egrave", "eacute", "ecirc",  "euml",   "igrave",
    "iacute", "icirc",  "iuml",   "eth",    "ntilde", "ograve", "oacute", "ocirc",  "otilde", "ouml",   "divide",
    "oslash", "ugrave", "uacute", "ucirc",  "uuml",   "yacute", "thorn",  "yuml"};

struct NamedByte {
  std::string_view name;
  unsigned char byte;
};
// The other names whose character Windows-1252 holds.
constexpr NamedByte kOtherNames[] = {
    {"lt", '<'},      {"gt", '>'},      {"amp", '&'},     {"quot", '"'},    {"apos", '\''},   {"euro", 0x80},
    {"sbquo", 0x82},  {"fnof", 0x83},   {"bdquo", 0x84},  {"hellip", 0x85}, {"dagger", 0x86}, {"Dagger", 0x87},
    {"circ", 0x88},   {"permil", 0x89}, {"Scaron", 0x8A}, {"lsaquo", 0x8B}, {"OElig", 0x8C},  {"Zcaron", 0x8E},
    {"lsquo", 0x91},  {"rsquo", 0x92},  {"ldquo", 0x93},  {"rdquo", 0x94},  {"bull", 0x95},   {"ndash", 0x96},
    {"mdash", 0x97},  {"tilde", 0x98},  {"trade", 0x99},  {"scaron", 0x9A}, {"rsaquo", 0x9B}, {"oelig", 0x9C},
    {"zcaron", 0x9E}, {"Yuml", 0x9F}};

// Unicode code points of Windows-1252's 80..9F (0 where the code page has
// no character).
constexpr uint16_t kHighCodePoints[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                          0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                          0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                          0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

// The Windows-1252 byte of a code point; 0 when it has none. A reference
// to 80..9F means the code page's character there, as browsers read it.
unsigned char byte_of_code_point(uint32_t cp) {
  if (cp < 0x100) return static_cast<unsigned char>(cp);
  for (int i = 0; i < 32; ++i)
    if (kHighCodePoints[i] == cp) return static_cast<unsigned char>(0x80 + i);
  return 0;
}

bool is_alpha(unsigned char c) { return (c | 0x20) >= 'a' && (c | 0x20) <= 'z'; }
bool is_digit(unsigned char c) { return c >= '0' && c <= '9'; }

// Decodes the reference starting at html[i] == '&'. Returns its length
// (0 when it is no reference) and its byte in `out` (0: none in the code page).
size_t decode_reference(std::string_view html, size_t i, unsigned char& out) {
  size_t j = i + 1;
  if (j < html.size() && html[j] == '#') {
    ++j;
    bool hex = j < html.size() && (html[j] == 'x' || html[j] == 'X');
    if (hex) ++j;
    uint32_t cp = 0;
    size_t digits = 0;
    for (; j < html.size() && digits < 8; ++j, ++digits) {
      auto c = static_cast<unsigned char>(html[j]);
      int v = is_digit(c) ? c - '0' : hex && is_alpha(c) && (c | 0x20) <= 'f' ? (c | 0x20) - 'a' + 10 : -1;
      if (v < 0) break;
      cp = cp * (hex ? 16 : 10) + static_cast<uint32_t>(v);
    }
    if (digits == 0 || j >= html.size() || html[j] != ';') return 0;
    out = byte_of_code_point(cp);
    return j + 1 - i;
  }
  size_t start = j;
  while (j < html.size() && j - start < 8 &&
         (is_alpha(static_cast<unsigned char>(html[j])) || is_digit(static_cast<unsigned char>(html[j]))))
    ++j;
  if (j >= html.size() || html[j] != ';' || j == start) return 0;
  std::string_view name = html.substr(start, j - start);
  for (int k = 0; k < 96; ++k)
    if (kLatin1Names[k] == name) {
      out = static_cast<unsigned char>(0xA0 + k);
      return j + 1 - i;
    }
  for (const auto& n : kOtherNames)
    if (n.name == name) {
      out = n.byte;
      return j + 1 - i;
    }
  return 0;
}

// A tag name of up to 8 bytes as a number, for comparing names without
// calls: the bytes from the low end, 0 beyond the name.
constexpr uint64_t name_key(std::string_view name) {
  uint64_t key = 0;
  for (size_t i = 0; i < name.size() && i < 8; ++i) key |= uint64_t{static_cast<unsigned char>(name[i])} << (8 * i);
  return name.size() > 8 ? 0 : key;
}

// Tags that only change the font of the text they hold: a word may run
// across them ("<b>Str</b>ing" reads as one word). The commonest first.
bool is_inline_tag(uint64_t key) {
  static constexpr uint64_t kInline[] = {
      name_key("font"), name_key("b"),       name_key("a"),        name_key("i"),      name_key("u"),
      name_key("span"), name_key("tt"),      name_key("code"),     name_key("em"),     name_key("strong"),
      name_key("abbr"), name_key("acronym"), name_key("basefont"), name_key("bdo"),    name_key("big"),
      name_key("cite"), name_key("dfn"),     name_key("kbd"),      name_key("nobr"),   name_key("q"),
      name_key("s"),    name_key("samp"),    name_key("small"),    name_key("strike"), name_key("sub"),
      name_key("sup"),  name_key("var")};
  if (key == 0) return false;
  for (uint64_t k : kInline)
    if (k == key) return true;
  return false;
}

// Position just past the first case-insensitive occurrence of `needle`
// (lower case) at or after `from`; html.size() when there is none.
size_t skip_past(std::string_view html, size_t from, std::string_view needle) {
  for (size_t i = from; i + needle.size() <= html.size(); ++i) {
    size_t k = 0;
    while (k < needle.size() && kFold[static_cast<unsigned char>(html[i + k])] == static_cast<unsigned char>(needle[k]))
      ++k;
    if (k == needle.size()) return i + k;
  }
  return html.size();
}

// The word being read: at most kMaxWordLength bytes are kept; one more
// marks it too long.
class Scanner {
 public:
  explicit Scanner(WordSink& sink) : sink_(sink) {}

  void text_byte(unsigned char c) {
    if (!kWordBytes[c]) return end_word();
    if (size_ <= kMaxWordLength) word_[size_++] = static_cast<char>(kFold[c]);
  }
  void end_word() {
    if (size_ > 0 && size_ <= kMaxWordLength) sink_.word(std::string_view(word_, size_));
    size_ = 0;
  }

 private:
  WordSink& sink_;
  char word_[kMaxWordLength + 1];
  size_t size_ = 0;
};

// Skips the markup starting at html[i] == '<' when it is markup; returns
// the position after it, or i when the "<" is text. `breaks` tells whether
// the markup ends a word.
size_t skip_markup(std::string_view html, size_t i, bool& breaks) {
  breaks = true;
  if (i + 3 < html.size() && html[i + 1] == '!' && html[i + 2] == '-' && html[i + 3] == '-') {
    size_t end = html.find("-->", i + 4);
    return end == std::string_view::npos ? html.size() : end + 3;
  }
  size_t j = i + 1;
  if (j >= html.size()) return i;
  auto first = static_cast<unsigned char>(html[j]);
  bool closing = first == '/';
  if (!(is_alpha(first) || closing || first == '!' || first == '?')) return i;
  if (closing) ++j;
  uint64_t key = 0;  // the tag's name_key, folded
  size_t len = 0;
  for (; j < html.size() &&
         (is_alpha(static_cast<unsigned char>(html[j])) || is_digit(static_cast<unsigned char>(html[j])));
       ++j, ++len)
    if (len < 8) key |= uint64_t{kFold[static_cast<unsigned char>(html[j])]} << (8 * len);
  if (len > 8) key = 0;
  // To the closing ">", passing over quoted attribute values; a quote that
  // is never closed is an ordinary character.
  while (j < html.size() && html[j] != '>') {
    if (html[j] == '"' || html[j] == '\'') {
      size_t q = html.find(html[j], j + 1);
      if (q != std::string_view::npos) {
        j = q + 1;
        continue;
      }
    }
    ++j;
  }
  size_t after = j < html.size() ? j + 1 : html.size();
  breaks = !is_inline_tag(key);
  if (!closing && key == name_key("script")) after = skip_past(html, after, "</script");
  if (!closing && key == name_key("style")) after = skip_past(html, after, "</style");
  // The title's words are indexed as title words, apart from the body's; a
  // title never closed hides nothing.
  if (!closing && key == name_key("title")) {
    constexpr std::string_view kClose = "</title";
    const size_t end = skip_past(html, after, kClose);
    bool closed = end - after >= kClose.size();
    for (size_t k = 0; closed && k < kClose.size(); ++k)
      closed =
          kFold[static_cast<unsigned char>(html[end - kClose.size() + k])] == static_cast<unsigned char>(kClose[k]);
    if (closed) after = end;
  }
  return after;
}

}  // namespace

bool is_word_byte(unsigned char c) { return kWordBytes[c]; }

unsigned char fold_byte(unsigned char c) { return kFold[c]; }

void scan_page_words(std::string_view html, WordSink& sink) {
  Scanner scanner(sink);
  size_t i = 0;
  while (i < html.size()) {
    auto c = static_cast<unsigned char>(html[i]);
    if (c == '<') {
      bool breaks = true;
      size_t after = skip_markup(html, i, breaks);
      if (after != i) {
        if (breaks) scanner.end_word();
        i = after;
        continue;
      }
    } else if (c == '&') {
      unsigned char decoded = 0;
      if (size_t len = decode_reference(html, i, decoded)) {
        scanner.text_byte(decoded);
        i += len;
        continue;
      }
    }
    scanner.text_byte(c);
    ++i;
  }
  scanner.end_word();
}

void scan_text_words(std::string_view text, WordSink& sink) {
  Scanner scanner(sink);
  for (const char c : text) scanner.text_byte(static_cast<unsigned char>(c));
  scanner.end_word();
}

}  // namespace lh::chm
