#include "chm/fulltext_words.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace lh::chm {
namespace {

std::vector<std::string> words_of(std::string_view html) {
  struct Sink final : WordSink {
    void word(std::string_view w) override { got.emplace_back(w); }
    std::vector<std::string> got;
  } sink;
  scan_page_words(html, sink);
  return sink.got;
}
using Words = std::vector<std::string>;

TEST(FulltextWords, VisibleTextOnly) {
  EXPECT_EQ(words_of("<HTML><HEAD><META NAME=\"GENERATOR\" CONTENT=\"HelpMaker\"></HEAD>"
                     "<BODY bgcolor=\"#FFFFFF\"><!-- hidden note --><B>Trim</B>(Text$)<br>"
                     "Removes <a href=\"x.html\" title='a > b'>spaces</a></BODY>"),
            (Words{"trim", "text", "removes", "spaces"}));
  // Script and style content is no text; a "<" that opens no tag is.
  EXPECT_EQ(words_of("a<script>var hidden = 1;</SCRIPT>b<style>p {}</style>c"), (Words{"a", "b", "c"}));
  // The TITLE's words are the title's, indexed apart.
  EXPECT_EQ(words_of("<HEAD><TITLE>Str_Pad &amp; more</TITLE></HEAD>body"), (Words{"body"}));
  EXPECT_EQ(words_of("<title>never closed"), (Words{"never", "closed"}));
  EXPECT_EQ(words_of("If x < 5 or y<3 then"), (Words{"if", "x", "5", "or", "y", "3", "then"}));
  // Colour and emphasis do not cut a word; a line or cell break does.
  EXPECT_EQ(words_of("<font color=#924B72>Str</font><b>ing</b>Pad<br>Left<td>Right"),
            (Words{"stringpad", "left", "right"}));
  // An unclosed tag or comment at the end hides nothing before it.
  EXPECT_EQ(words_of("kept <b class=\"x"), (Words{"kept"}));
  EXPECT_EQ(words_of("kept <!-- open"), (Words{"kept"}));
}

TEST(FulltextWords, ReferencesDecodeToWindows1252) {
  EXPECT_EQ(words_of("a&lt;b&amp;c&quot;d&nbsp;e"), (Words{"a", "b", "c", "d", "e"}));
  // Letters named by number or name join their word, folded.
  EXPECT_EQ(words_of("caf&#233; CAF&#xC9; caf&Eacute; &#352;koda na&iuml;ve"),
            (Words{"caf\xE9", "caf\xE9", "caf\xE9", "\x9Akoda", "na\xEFve"}));
  // The euro sign is no letter; a character outside the code page ends a word.
  EXPECT_EQ(words_of("10&#8364;x &#945;beta"), (Words{"10", "x", "beta"}));
  // No reference: the text stands as written.
  EXPECT_EQ(words_of("R&D &unknown; &#;"), (Words{"r", "d", "unknown"}));
}

TEST(FulltextWords, Windows1252LettersAndDigitsFold) {
  EXPECT_EQ(words_of("\xC0\xC9\x8A\x8C\x8E\x9F\xDE \xDF\xFF \xAA\xB5\xBA \x83x"),
            (Words{"\xE0\xE9\x9A\x9C\x9E\xFF\xFE", "\xDF\xFF", "\xAA\xB5\xBA", "\x83x"}));
  // × ÷ and punctuation separate; digits belong to words.
  EXPECT_EQ(words_of("2\xD7"
                     "3\xF7x Len2(a,b) don't"),
            (Words{"2", "3", "x", "len2", "a", "b", "don", "t"}));
  // The index keeps words of up to 99 bytes.
  std::string longest(99, 'a'), too_long(100, 'b');
  EXPECT_EQ(words_of(longest + " " + too_long + " end"), (Words{longest, "end"}));
}

}  // namespace
}  // namespace lh::chm
