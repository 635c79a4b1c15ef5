// Splitting command lines by the Microsoft C runtime's rules, which the
// POSIX build uses to turn the system's argument texts into argv.
#include "platform/process.h"

#include <gtest/gtest.h>

namespace lh::platform {
namespace {

using Words = std::vector<std::string>;

TEST(SplitArguments, BlanksQuotesAndBackslashes) {
  EXPECT_EQ(split_arguments(""), Words{});
  EXPECT_EQ(split_arguments(" \t "), Words{});
  EXPECT_EQ(split_arguments("a  b\tc "), (Words{"a", "b", "c"}));
  EXPECT_EQ(split_arguments("\"C:\\Work Folder\\Lib.pb\" /MULT /CHM:Lib"),
            (Words{"C:\\Work Folder\\Lib.pb", "/MULT", "/CHM:Lib"}));
  EXPECT_EQ(split_arguments("a \"\" b"), (Words{"a", "", "b"}));
  EXPECT_EQ(split_arguments("x\"y z\"w"), (Words{"xy zw"}));
  // Backslashes are literal unless a quote follows them.
  EXPECT_EQ(split_arguments("C:\\a\\b\\ \\\\server\\x"), (Words{"C:\\a\\b\\", "\\\\server\\x"}));
  EXPECT_EQ(split_arguments("a\\\"b"), (Words{"a\"b"}));          // 1 + quote
  EXPECT_EQ(split_arguments("a\\\\\"b c\""), (Words{"a\\b c"}));  // 2 + quote
  EXPECT_EQ(split_arguments("a\\\\\\\"b"), (Words{"a\\\"b"}));    // 3 + quote
  EXPECT_EQ(split_arguments("\"C:\\Dir\\\\\" next"), (Words{"C:\\Dir\\", "next"}));
  // "" inside a group is a literal quote and the group goes on.
  EXPECT_EQ(split_arguments("\"a\"\"b c\" d"), (Words{"a\"b c", "d"}));
  // An unclosed group runs to the end.
  EXPECT_EQ(split_arguments("\"open group"), (Words{"open group"}));
  EXPECT_EQ(split_arguments("trail\\"), (Words{"trail\\"}));
}

TEST(SplitCommandLine, ProgramWordKeepsItsBackslashes) {
  EXPECT_EQ(split_command_line("\"/opt/pb/compilers/pbcompiler\" /VERSION"),
            (Words{"/opt/pb/compilers/pbcompiler", "/VERSION"}));
  EXPECT_EQ(split_command_line("\"C:\\a b\\\" x"), (Words{"C:\\a b\\", "x"}));
  EXPECT_EQ(split_command_line("plain\\ arg"), (Words{"plain\\", "arg"}));
  EXPECT_EQ(split_command_line("\"/bin/prog\""), (Words{"/bin/prog"}));
  EXPECT_EQ(split_command_line("\"/bin/pr\"og x"), (Words{"/bin/prog", "x"}));
  EXPECT_EQ(split_command_line("/opt/a\" b\"/c d"), (Words{"/opt/a b/c", "d"}));
  EXPECT_EQ(split_command_line(""), Words{});
}

}  // namespace
}  // namespace lh::platform
