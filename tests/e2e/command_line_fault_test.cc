// Command lines of any bytes and any length: each is classified as a
// request, and the program writes that request's text and ends with 0.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/dispatcher.h"
#include "e2e/fault_support.h"

namespace dorvix {
namespace faults {
namespace {

const std::string kUsage = kUsageText;
const std::string kParameterError = "Parameter error.\r\n";
const std::string kTooMany = "Too much parameters.\r\n";
const std::string kEmptyListing = "\r\nNo: Printer Name\r\n" + std::string(80, '-');

bool IsBlank(int byte) { return byte >= 1 && byte <= 32; }

TEST(CommandLineBytes, EveryByteFrom1To255IsClassified) {
  for (int byte = 1; byte <= 255; ++byte) {
    const std::string b(1, static_cast<char>(byte));
    // The byte alone: a blank or a lone quote gives no argument at all.
    const std::string alone = IsBlank(byte) || byte == '"' ? kUsage : kParameterError;
    // After "/": h, H and ? ask for the usage, l and L for the list; a blank
    // or a quote leaves "/" without a second byte.
    std::string option = kParameterError;
    if (byte == 'h' || byte == 'H' || byte == '?') option = kUsage;
    if (byte == 'l' || byte == 'L') option = kEmptyListing;
    // After "-", with a name: only s and S ask for the switch.
    const std::string with_name =
        byte == 's' || byte == 'S' ? "Printer 'Name' not found.\r\n" : kParameterError;
    const struct {
      std::string line;
      std::string out;
    } cases[] = {
        {"dorvix " + b, alone},
        {"dorvix /" + b, option},
        {"dorvix -" + b + " Name", with_name},
        // Around a name: blanks separate, a pair of quotes gives nothing
        // and a lone one opens a stretch that runs to the end; any other
        // byte is part of the name.
        {"dorvix /s " + b + b + "x" + b,
         "Printer '" + (IsBlank(byte) || byte == '"' ? "x" : b + b + "x" + b) + "' not found.\r\n"},
    };
    for (const auto& c : cases) {
      const ProcessResult result = RunDorvix(c.line, "");
      EXPECT_TRUE(EndedWith(result, 0)) << Visible(c.line);
      EXPECT_EQ(Visible(result.out), Visible(c.out)) << Visible(c.line);
    }
  }
}

TEST(CommandLineBytes, EveryByteFrom1To255ArrivesInAnArgument) {
  // The host's arguments are joined into a Windows command line; a piece
  // with blanks is quoted again. A double quote in a piece cannot be
  // carried, and opens a quoted stretch as it would on Windows.
  for (int byte = 1; byte <= 255; ++byte) {
    if (byte == '"') continue;
    const std::string name = "a" + std::string(1, static_cast<char>(byte)) + "b";
    const ProcessResult result = RunDorvixArgv({"/s", name}, "");
    EXPECT_TRUE(EndedWith(result, 0)) << byte;
    EXPECT_EQ(Visible(result.out), Visible("Printer '" + name + "' not found.\r\n")) << byte;
  }
}

TEST(CommandLineLength, TheLongestArgumentTheHostPassesIsTakenWhole) {
  // A host argument or environment string holds at most 128 KiB with its
  // NUL; longer ones cannot reach the program (the 1 MiB argument is run
  // in the program's own process, in the dispatcher's tests).
  const size_t longest = 128 * 1024 - 1;
  const std::string name(longest, 'n');
  const ProcessResult by_argument = RunDorvixArgv({"/s", name}, "");
  EXPECT_TRUE(EndedWith(by_argument, 0));
  EXPECT_TRUE(by_argument.out == "Printer '" + name + "' not found.\r\n");
  // The raw line's variable: its name, "=", "dorvix /s " and the name.
  const std::string in_line = name.substr(0, longest - 30);
  const ProcessResult by_line = RunDorvix("dorvix /s " + in_line, "");
  EXPECT_TRUE(EndedWith(by_line, 0));
  EXPECT_TRUE(by_line.out == "Printer '" + in_line + "' not found.\r\n");
  const ProcessResult list = RunDorvixArgv({"/l" + name.substr(2)}, "");
  EXPECT_TRUE(EndedWith(list, 0));
  EXPECT_EQ(list.out, kEmptyListing);
  EXPECT_EQ(RunDorvixArgv({name}, "").out, kParameterError);
}

TEST(CommandLineLength, TenThousandArgumentsAreCountedAsTheyCome) {
  const struct {
    const char* name;
    std::vector<std::string> argv;
    std::string out;
  } cases[] = {
      {"10,000 arguments", std::vector<std::string>(10000, "/l"), kTooMany},
      // Empty arguments give no argument: they are a pair of quotes.
      {"10,000 empty arguments", std::vector<std::string>(10000, ""), kUsage},
      {"/l and 9,999 empty ones",
       [] { std::vector<std::string> v(10000, ""); v[0] = "/l"; return v; }(), kEmptyListing},
      {"/s, a name and 9,998 empty ones",
       [] { std::vector<std::string> v(10000, ""); v[0] = "/s"; v[1] = "Name"; return v; }(),
       "Printer 'Name' not found.\r\n"},
      // Eight arguments of 128 KiB: a command line of more than 1 MiB.
      {"1 MiB in 8 arguments", std::vector<std::string>(8, std::string(128 * 1024 - 1, 'x')),
       kTooMany},
  };
  for (const auto& c : cases) {
    const ProcessResult result = RunDorvixArgv(c.argv, "");
    EXPECT_TRUE(EndedWith(result, 0)) << c.name;
    EXPECT_EQ(result.out, c.out) << c.name;
  }
  std::string line = "dorvix";
  for (int i = 0; i < 10000; ++i) line += " \"\"" + std::to_string(i);
  EXPECT_EQ(RunDorvix(line, "").out, kTooMany);
}

}  // namespace
}  // namespace faults
}  // namespace dorvix
