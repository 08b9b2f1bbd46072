#include "cli/dispatcher.h"

#include <gtest/gtest.h>

#include "catalogue/catalogue.h"
#include "platform/emulated/machine.h"
#include "test_machine.h"

namespace dorvix {
namespace {

struct ClassifyCase {
  int32_t count;
  const char* first;
  Request request;
};

TEST(ClassifyRequest, LooksAtTheCountAndTheFirstTwoBytes) {
  const ClassifyCase cases[] = {
      {0, "", Request::kUsage},
      {1, "/h", Request::kUsage},
      {1, "-H", Request::kUsage},
      {1, "/?", Request::kUsage},
      {1, "-?x", Request::kUsage},
      {1, "/help", Request::kUsage},
      {1, "/l", Request::kList},
      {1, "-L", Request::kList},
      {1, "/list", Request::kList},
      {1, "-Lxyz", Request::kList},
      {1, "/", Request::kParameterError},  // no second byte
      {1, "-", Request::kParameterError},
      {1, "/x", Request::kParameterError},
      {1, "/s", Request::kParameterError},  // the switch needs a name
      {1, "s", Request::kParameterError},
      {1, "h", Request::kParameterError},
      {1, "?", Request::kParameterError},
      {1, "l", Request::kParameterError},
      {1, "\\l", Request::kParameterError},
      {1, "/\x81l", Request::kParameterError},  // a double-byte lead byte
      {1, "\x81/l", Request::kParameterError},
      {2, "/s", Request::kSwitch},
      {2, "-S", Request::kSwitch},
      {2, "/set", Request::kSwitch},
      {2, "/l", Request::kParameterError},
      {2, "/h", Request::kParameterError},
      {2, "/?", Request::kParameterError},
      {2, "s", Request::kParameterError},
      {2, "/", Request::kParameterError},
      {3, "/s", Request::kTooManyArguments},
      {3, "anything", Request::kTooManyArguments},
      {10000, "/l", Request::kTooManyArguments},
  };
  for (const ClassifyCase& c : cases) {
    EXPECT_EQ(ClassifyRequest(c.count, c.first), c.request)
        << c.count << " argument(s), first [" << c.first << "]";
  }
}

TEST(ClassifyRequest, UpperCasesOptionLettersInTheAnsiCodePage) {
  // On code page 1252, 0xE8 (e grave) upper-cases to 0xC8, never to H or L.
  EXPECT_EQ(ClassifyRequest(1, "/\xe8"), Request::kParameterError);
}

class ProgramTest : public MachineTest {};

TEST_F(ProgramTest, ArgumentErrorsWriteOneMessageAndEndWithZero) {
  EXPECT_EQ(Run("dorvix /x"), 0);
  EXPECT_EQ(output_, "Parameter error.\r\n");
  EXPECT_EQ(Run("dorvix /s My Printer"), 0);
  EXPECT_EQ(output_, "Too much parameters.\r\n");
  EXPECT_EQ(Run("dorvix /s \"\""), 0);
  EXPECT_EQ(output_, "Parameter error.\r\n");
}

TEST_F(ProgramTest, TakesAnArgumentOfOneMebibyteWhole) {
  // Longer than any argument a process can be given on this host.
  const std::string name(1024 * 1024, 'n');
  EXPECT_EQ(Run("dorvix /s " + name), 0);
  EXPECT_TRUE(output_ == "Printer '" + name + "' not found.\r\n");
  EXPECT_EQ(Run("dorvix /s \"" + name + " " + name + "\""), 0);
  EXPECT_TRUE(output_ == "Printer '" + name + " " + name + "' not found.\r\n");
  EXPECT_EQ(Run("dorvix /l" + name), 0);
  EXPECT_EQ(output_, "\r\nNo: Printer Name\r\n" + std::string(80, '-'));
  EXPECT_EQ(Run("dorvix " + name), 0);
  EXPECT_EQ(output_, "Parameter error.\r\n");
  EXPECT_EQ(Run("dorvix /s " + name + " " + name), 0);
  EXPECT_EQ(output_, "Too much parameters.\r\n");
}

TEST_F(ProgramTest, FreesTheCatalogueWhenARequestEnds) {
  emulated::LoadRegistryText(NtMachine("\"Alpha\"=\"winspool,Ne00:\"\r\n"));
  EXPECT_EQ(Run("dorvix /l"), 0);
  EXPECT_NE(output_.find(" 0: Alpha\r\n"), std::string::npos);
  EXPECT_TRUE(PrinterNames.empty());
  EXPECT_TRUE(DeviceEntries.empty());
}

TEST_F(ProgramTest, AFailedWriteEndsTheRequestWithOneAndNoReport) {
  emulated::LoadRegistryText(NtMachine("\"Alpha\"=\"a\"\r\n\"Beta\"=\"b\"\r\n"));
  emulated::FailStandardOutputAfter(20);  // the empty line and the heading
  EXPECT_EQ(Run("dorvix /l"), 1);
  EXPECT_EQ(output_, "\r\nNo: Printer Name\r\n");
  EXPECT_TRUE(PrinterNames.empty());
}

TEST_F(ProgramTest, ABrokenRegistryIsReportedWithTheFileAndLine) {
  const std::string path = ::testing::TempDir() + "broken.reg";
  FILE* file = fopen(path.c_str(), "wb");
  fputs("REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\X]\r\n\"a\"=dword:xyz\r\n", file);
  fclose(file);
  emulated::UseRegistryFile(path);
  EXPECT_EQ(Run("dorvix /l"), 1);
  EXPECT_EQ(output_, "Registry error: " + path +
                         ", line 4: a dword value must be 1 to 8 hexadecimal digits\r\n");
  EXPECT_TRUE(PrinterNames.empty());
  // The usage request never reads the registry.
  EXPECT_EQ(Run("dorvix /?"), 0);
  EXPECT_EQ(output_.compare(0, 30, "Sets windows' default printer."), 0);
}

}  // namespace
}  // namespace dorvix
