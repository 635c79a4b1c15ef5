// A forgiving reader of HTML tags, enough to find the links of a page and the
// entries of a sitemap (contents or index file). It never rejects a page: a
// "<" that starts no tag is text, a tag left open ends where the next tag
// starts, a quote left open ends the value at the tag's end.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace lh::chm {

struct HtmlTag {
  std::string_view name;  // as written ("A", "param"); compare without regard to case
  bool closing = false;   // "</name>"
  // Attribute names and their values as written (entities not decoded); a
  // name without "=" has an empty value.
  std::vector<std::pair<std::string_view, std::string_view>> attributes;
  size_t begin = 0;  // offset of the tag's "<"
  size_t end = 0;    // offset just past the tag (past ">" when it has one)

  // The value of the first attribute named `attribute` (any letter case);
  // null when the tag has none.
  const std::string_view* attribute(std::string_view attribute) const;
};

// Calls f(tag) for every tag of `html`, in order; comments, "<!...>" and
// "<?...>" are skipped. Linear in the size of `html`.
template <typename F>
void for_each_html_tag(std::string_view html, F&& f);

// `text` with the character references &amp; &lt; &gt; &quot; &apos; &nbsp;
// and &#N; / &#xN; (below 256) replaced by their bytes; anything else kept.
std::string decode_entities(std::string_view text);

// The files a style sheet names: the values of url(...) and of @import
// "...", quotes and blanks around them removed, in order. Works on a
// <style> element or a style attribute as well.
std::vector<std::string_view> style_sheet_references(std::string_view css);

// The string literals of a script that read as file names: quoted, of 1 to
// 259 bytes, with a dot and no blank, quote, angle bracket or line end. A
// plain reading: whether the script uses one as a file is not known.
std::vector<std::string_view> script_file_names(std::string_view script);

// -- implementation ---------------------------------------------------------

class HtmlTagReader {
 public:
  explicit HtmlTagReader(std::string_view html) : html_(html) {}
  // The next tag from the current position; false at the end of the text.
  bool next(HtmlTag& tag);

 private:
  // Passes over a comment, "<!...>" or "<?...>" starting at `lt`; false
  // when a tag or text starts there.
  bool skip_markup(size_t lt);
  // Reads the attributes from `i` up to the tag's end; returns the offset
  // just past the tag.
  size_t read_attributes(size_t i, HtmlTag& tag);
  // Reads the value of `key` starting at `i` (just past "=" and blanks);
  // returns the offset after it.
  size_t read_value(size_t i, std::string_view key, HtmlTag& tag);
  size_t find_cached(char c, size_t from, size_t& no_more);
  std::string_view html_;
  size_t at_ = 0;
  // Where a search for a closing quote or "-->" found nothing up to the end:
  // later searches from beyond it need not look again.
  size_t no_double_quote_ = std::string_view::npos;
  size_t no_single_quote_ = std::string_view::npos;
  size_t no_comment_end_ = std::string_view::npos;
};

template <typename F>
void for_each_html_tag(std::string_view html, F&& f) {
  HtmlTagReader reader(html);
  HtmlTag tag;
  while (reader.next(tag)) f(static_cast<const HtmlTag&>(tag));
}

}  // namespace lh::chm
