#include "chm/html_scan.h"

#include "base/ascii.h"

namespace lh::chm {
namespace {

bool is_space(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f'; }

bool is_letter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

bool is_name_char(char c) {
  return is_letter(c) || (c >= '0' && c <= '9') || c == '-' || c == '_' || c == ':' || c == '.';
}

}  // namespace

const std::string_view* HtmlTag::attribute(std::string_view attribute) const {
  for (const auto& [key, value] : attributes)
    if (equals_ignoring_case(key, attribute)) return &value;
  return nullptr;
}

std::string decode_entities(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  static constexpr std::pair<std::string_view, char> kNamed[] = {{"amp", '&'},  {"lt", '<'},    {"gt", '>'},
                                                                 {"quot", '"'}, {"apos", '\''}, {"nbsp", '\xA0'}};
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    size_t semi = c == '&' ? text.find(';', i + 1) : std::string_view::npos;
    if (semi == std::string_view::npos || semi - i > 10) {
      out += c;
      continue;
    }
    std::string_view ref = text.substr(i + 1, semi - i - 1);
    int value = -1;
    if (ref.size() > 1 && ref[0] == '#') {
      bool hex = ref[1] == 'x' || ref[1] == 'X';
      std::string_view digits = ref.substr(hex ? 2 : 1);
      int v = 0;
      bool ok = !digits.empty();
      for (char d : digits) {
        int n = d >= '0' && d <= '9'                                    ? d - '0'
                : hex && ascii_lower(d) >= 'a' && ascii_lower(d) <= 'f' ? ascii_lower(d) - 'a' + 10
                                                                        : -1;
        if (n < 0 || v > 0xFFFF) ok = false;
        if (!ok) break;
        v = v * (hex ? 16 : 10) + n;
      }
      if (ok && v < 256) value = v;
    } else {
      for (const auto& [name, byte] : kNamed)
        if (equals_ignoring_case(ref, name)) value = static_cast<unsigned char>(byte);
    }
    if (value < 0) {
      out += c;
      continue;
    }
    out += static_cast<char>(value);
    i = semi;
  }
  return out;
}

size_t HtmlTagReader::find_cached(char c, size_t from, size_t& no_more) {
  if (no_more != std::string_view::npos && from >= no_more) return std::string_view::npos;
  size_t at = html_.find(c, from);
  if (at == std::string_view::npos) no_more = from;
  return at;
}

bool HtmlTagReader::skip_markup(size_t lt) {
  const char c = html_[lt + 1];
  if (c == '!' && html_.substr(lt + 2, 2) == "--") {
    // A comment; one that is never closed is passed over as text.
    size_t end = std::string_view::npos;
    if (no_comment_end_ == std::string_view::npos || lt + 4 < no_comment_end_) {
      end = html_.find("-->", lt + 4);
      if (end == std::string_view::npos) no_comment_end_ = lt + 4;
    }
    at_ = end == std::string_view::npos ? lt + 4 : end + 3;
    return true;
  }
  if (c == '!' || c == '?') {
    size_t end = html_.find_first_of("<>", lt + 2);
    at_ = end == std::string_view::npos ? html_.size() : html_[end] == '>' ? end + 1 : end;
    return true;
  }
  return false;
}

size_t HtmlTagReader::read_value(size_t i, std::string_view key, HtmlTag& tag) {
  const size_t n = html_.size();
  if (i < n && (html_[i] == '"' || html_[i] == '\'')) {
    char quote = html_[i];
    size_t close = find_cached(quote, i + 1, quote == '"' ? no_double_quote_ : no_single_quote_);
    if (close != std::string_view::npos) {
      tag.attributes.emplace_back(key, html_.substr(i + 1, close - i - 1));
      return close + 1;
    }
    ++i;  // a quote never closed: the value runs as an unquoted one
  }
  size_t value_start = i;
  while (i < n && !is_space(html_[i]) && html_[i] != '>' && html_[i] != '<') ++i;
  tag.attributes.emplace_back(key, html_.substr(value_start, i - value_start));
  return i;
}

size_t HtmlTagReader::read_attributes(size_t i, HtmlTag& tag) {
  const size_t n = html_.size();
  for (;;) {
    while (i < n && (is_space(html_[i]) || html_[i] == '/')) ++i;
    if (i >= n || html_[i] == '<') return i;  // a tag left open ends here
    if (html_[i] == '>') return i + 1;
    size_t key_start = i;
    while (i < n && !is_space(html_[i]) && html_[i] != '=' && html_[i] != '>' && html_[i] != '<' && html_[i] != '/')
      ++i;
    if (i == key_start) {  // a stray "=" or the like
      ++i;
      continue;
    }
    std::string_view key = html_.substr(key_start, i - key_start);
    size_t after_key = i;
    while (i < n && is_space(html_[i])) ++i;
    if (i >= n || html_[i] != '=') {
      i = after_key;
      tag.attributes.emplace_back(key, std::string_view());
      continue;
    }
    ++i;
    while (i < n && is_space(html_[i])) ++i;
    i = read_value(i, key, tag);
  }
}

bool HtmlTagReader::next(HtmlTag& tag) {
  const size_t n = html_.size();
  while (at_ < n) {
    size_t lt = html_.find('<', at_);
    if (lt == std::string_view::npos || lt + 1 >= n) {
      at_ = n;
      return false;
    }
    if (skip_markup(lt)) continue;
    size_t i = lt + 1;
    tag.closing = html_[i] == '/';
    if (tag.closing) ++i;
    if (i >= n || !is_letter(html_[i])) {  // a lone "<": text
      at_ = lt + 1;
      continue;
    }
    size_t name_start = i;
    while (i < n && is_name_char(html_[i])) ++i;
    tag.name = html_.substr(name_start, i - name_start);
    tag.attributes.clear();
    tag.begin = lt;
    tag.end = read_attributes(i, tag);
    at_ = tag.end;
    return true;
  }
  return false;
}

namespace {

std::string_view strip_blanks_and_quotes(std::string_view s) {
  while (!s.empty() && is_space(s.front())) s.remove_prefix(1);
  while (!s.empty() && is_space(s.back())) s.remove_suffix(1);
  if (s.size() >= 2 && (s.front() == '"' || s.front() == '\'') && s.back() == s.front()) s = s.substr(1, s.size() - 2);
  return s;
}

bool starts_with_ignoring_case(std::string_view s, size_t at, std::string_view word) {
  return s.size() - at >= word.size() && equals_ignoring_case(s.substr(at, word.size()), word);
}

}  // namespace

std::vector<std::string_view> style_sheet_references(std::string_view css) {
  std::vector<std::string_view> out;
  for (size_t i = 0; i < css.size(); ++i) {
    if (starts_with_ignoring_case(css, i, "url(")) {
      const size_t start = i + 4;
      const size_t close = css.find(')', start);
      if (close == std::string_view::npos) break;
      if (std::string_view v = strip_blanks_and_quotes(css.substr(start, close - start)); !v.empty()) out.push_back(v);
      i = close;
    } else if (starts_with_ignoring_case(css, i, "@import")) {
      size_t j = i + 7;
      while (j < css.size() && is_space(css[j])) ++j;
      if (j < css.size() && (css[j] == '"' || css[j] == '\'')) {
        const size_t close = css.find(css[j], j + 1);
        if (close == std::string_view::npos) break;
        if (close > j + 1) out.push_back(css.substr(j + 1, close - j - 1));
        i = close;
      }
    }
  }
  return out;
}

std::vector<std::string_view> script_file_names(std::string_view script) {
  constexpr size_t kLongestName = 259;
  std::vector<std::string_view> out;
  for (size_t i = 0; i < script.size(); ++i) {
    const char quote = script[i];
    if (quote != '"' && quote != '\'' && quote != '`') continue;
    size_t j = i + 1;
    bool plain = true, dot = false;
    while (j < script.size() && script[j] != quote && j - i <= kLongestName) {
      const char c = script[j];
      if (is_space(c) || c == '<' || c == '>' || c == '"' || c == '\'' || c == '\\' || c == '`') plain = false;
      if (c == '.') dot = true;
      if (c == '\n' || c == '\r' || c == '\\') break;
      ++j;
    }
    if (j >= script.size() || script[j] != quote) {
      i = j < script.size() && script[j] == '\\' ? j : i;  // an escape: go on from there
      continue;
    }
    if (plain && dot && j > i + 1) out.push_back(script.substr(i + 1, j - i - 1));
    i = j;
  }
  return out;
}

}  // namespace lh::chm
