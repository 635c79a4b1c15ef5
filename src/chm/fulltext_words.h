// The words of a page as the full-text index holds them: the page's visible
// text (markup left out, character references decoded), cut into runs of
// Windows-1252 letters and digits, folded to lower case.
#pragma once

#include <cstddef>
#include <string_view>

namespace lh::chm {

// The viewer's index keeps words of at most 99 bytes; longer runs are left
// out of the index (they could never be typed into the Search tab whole).
inline constexpr size_t kMaxWordLength = 99;

// True for the letters and digits of Windows-1252 (ASCII letters and digits,
// the accented letters, ƒ Š Œ Ž š œ ž Ÿ ª µ º).
bool is_word_byte(unsigned char c);

// `c` in lower case: ASCII letters and the capital letters of Windows-1252.
unsigned char fold_byte(unsigned char c);

// Receives each word of a page, folded, in page order. The view is valid
// during the call only.
class WordSink {
 public:
  virtual void word(std::string_view folded) = 0;

 protected:
  ~WordSink() = default;
};

// Calls sink.word for every word of the visible text of `html`. Tags and
// their attributes, comments and the content of script, style and title
// elements are left out; a tag that does not change the font (b, i, font, span, a...)
// does not end a word, any other tag does. "&lt;", "&#233;", "&eacute;" and
// the like are decoded into the Windows-1252 byte they name; a character
// outside that code page ends a word. A "<" that starts no tag is text.
void scan_page_words(std::string_view html, WordSink& sink);

// Calls sink.word for every word of `text`, plain text (a topic's title)
// with no markup or character references.
void scan_text_words(std::string_view text, WordSink& sink);

}  // namespace lh::chm
