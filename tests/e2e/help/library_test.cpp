// The built highlighting library, loaded from its file through the dynamic
// loading layer (LoadLibrary under Wine, dlopen on Linux), colours exactly
// as the tokenizer linked into this program does.
#include <gtest/gtest.h>

#include "e2e_paths.h"
#include "help/colouring.h"
#include "platform/dynlib.h"
#include "platform/files.h"

namespace lh {
namespace {

TEST(HighlighterLibrary, LoadsAndColoursLikeTheLinkedTokenizer) {
  Highlighter loaded = load_highlighter(test::native(LH_HIGHLIGHTER_FILE));
  ASSERT_TRUE(loaded.loaded);
  ASSERT_NE(loaded.highlight, nullptr) << "export SyntaxHighlight not found by name";
  // No decorated names beside it.
  EXPECT_EQ(platform::find_export(loaded.library, "_SyntaxHighlight"), nullptr);
  EXPECT_EQ(platform::find_export(loaded.library, "SyntaxHighlight@16"), nullptr);

  std::string code;
  ASSERT_TRUE(platform::read_file(test::native(LH_EXAMPLES_DIR "/StringTools/StringTools.pb"), code));
  std::string from_library, from_linked;
  colour_text(loaded, code, from_library);
  colour_text(linked_highlighter(), code, from_linked);
  EXPECT_GT(from_library.size(), code.size());
  EXPECT_EQ(from_library, from_linked);

  // The early returns hold across the library boundary too.
  EXPECT_EQ(loaded.highlight(nullptr, 4, &write_coloured_token, 0), 0);
  unload_highlighter(loaded);
  EXPECT_FALSE(loaded.loaded);
}

}  // namespace
}  // namespace lh
