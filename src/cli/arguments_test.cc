#include "cli/arguments.h"

#include <gtest/gtest.h>

#include "platform/emulated/machine.h"
#include "test_machine.h"

namespace dorvix {
namespace {

struct SplitCase {
  const char* line;
  std::vector<std::string> pieces;
};

TEST(SplitCommandLine, FollowsTheWindowsRules) {
  const SplitCase cases[] = {
      {"", {}},
      {"  \t ", {}},
      {"dorvix", {"dorvix"}},
      {"dorvix /l", {"dorvix", "/l"}},
      {"dorvix\t/l", {"dorvix", "/l"}},
      {"dorvix \x01/l\x1f", {"dorvix", "/l"}},  // every byte 1-32 is a blank
      {"dorvix \"/l\"", {"dorvix", "/l"}},
      {"dorvix  /s   \"My Printer\"", {"dorvix", "/s", "My Printer"}},
      // Pairs of quotes where a piece would begin give no piece at all.
      {"dorvix /s \"\"", {"dorvix", "/s"}},
      {"dorvix /s \"My Printer\" \"\"", {"dorvix", "/s", "My Printer"}},
      {"\"\" dorvix", {"dorvix"}},
      {"dorvix \"\"\"\" /l", {"dorvix", "/l"}},
      // Inside a piece a pair adds nothing; quoted and plain bytes join.
      {"dorvix /s a\"\"b", {"dorvix", "/s", "ab"}},
      {"dorvix /s My\" \"Printer", {"dorvix", "/s", "My Printer"}},
      {"dorvix /s a\"b c\"d e", {"dorvix", "/s", "ab cd", "e"}},
      {"dorvix /s \" \"", {"dorvix", "/s", " "}},
      // An unclosed quote runs to the end of the line, blanks included; a
      // lone quote at the end gives an empty piece, which ends the list.
      {"dorvix /s \"Open  ", {"dorvix", "/s", "Open  "}},
      {"dorvix /s \"", {"dorvix", "/s"}},
      {"dorvix /s   \"", {"dorvix", "/s"}},
      // No escapes: a backslash is an ordinary byte.
      {"dorvix /s a\\\"b\"", {"dorvix", "/s", "a\\b"}},
      {"dorvix /s \\\\server\\printer", {"dorvix", "/s", "\\\\server\\printer"}},
      // A quoted path followed at once by /l: the /l belongs to the name.
      {"\"C:\\Program Files\\dorvix.exe\"/l", {"C:\\Program Files\\dorvix.exe/l"}},
      // Bytes above 127 are ordinary, double-byte characters included.
      {"dorvix /s \xe9t\xe9 \x81\x40", {"dorvix", "/s", "\xe9t\xe9", "\x81\x40"}},
  };
  for (const SplitCase& c : cases) {
    EXPECT_EQ(SplitCommandLine(c.line), c.pieces) << "line: [" << c.line << "]";
  }
}

TEST(SplitCommandLine, EndsAtTheFirstNul) {
  EXPECT_EQ(SplitCommandLine(std::string("dorvix /l\0 /x", 13)),
            (std::vector<std::string>{"dorvix", "/l"}));
}

TEST(SplitCommandLine, TakesLongPiecesWhole) {
  const std::string name(100000, 'n');
  const std::string program(300, 'p');
  EXPECT_EQ(SplitCommandLine(program + " /s \"" + name + "\""),
            (std::vector<std::string>{program, "/s", name}));
}

class ArgumentsTest : public MachineTest {};

TEST_F(ArgumentsTest, CountsAndNumbersTheArgumentsAfterTheName) {
  emulated::SetCommandLine("\"C:\\dorvix dir\\dorvix.exe\" /s \"My Printer\"");
  EXPECT_EQ(ArgumentCount(), 2);
  EXPECT_EQ(ArgumentAt(1), "/s");
  EXPECT_EQ(ArgumentAt(2), "My Printer");
  EXPECT_EQ(ArgumentAt(3), "");

  emulated::SetCommandLine("");
  EXPECT_EQ(ArgumentCount(), 0);
}

}  // namespace
}  // namespace dorvix
