#include "platform/emulated/machine.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "platform/upper_case.h"
#include "test_machine.h"

namespace dorvix {
namespace {

const std::string kPrinters = NtMachine(
    "\"Alpha\"=\"winspool,Ne00:\"\r\n"
    "\"Beta\"=\"winspool,Ne01:\"\r\n");

// The entry that a switch to `device` adds after kPrinters.
std::string DeviceSection(const std::string& device) {
  return "\r\n[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows]\r\n"
         "\"Device\"=\"" + device + "\"\r\n";
}

// A registry file written back by the switch.
class WriteBackTest : public MachineTest {
 protected:
  void SetUp() override {
    MachineTest::SetUp();
    Store(kPrinters);
    emulated::UseRegistryFile(path_);
  }
  void TearDown() override {
    std::remove(path_.c_str());
    MachineTest::TearDown();
  }

  // Writes the file as another program would.
  void Store(const std::string& text) {
    FILE* file = std::fopen(path_.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    std::fwrite(text.data(), 1, text.size(), file);
    std::fclose(file);
  }
  std::string Stored() const {
    std::string text;
    FILE* file = std::fopen(path_.c_str(), "rb");
    if (file == nullptr) return "<none>";
    char buffer[4096];
    for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, file)) > 0;) {
      text.append(buffer, got);
    }
    std::fclose(file);
    return text;
  }

  // A file of each test's own: tests may run at once.
  const std::string path_ =
      ::testing::TempDir() +
      ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".reg";
};

TEST_F(WriteBackTest, EditsTheFileAsItIsNowNotAsItWasRead) {
  emulated::Registry();  // read before another program changes the file
  const std::string changed = kPrinters + "\"Gamma\"=\"winspool,Ne02:\"\r\n";
  Store(changed);
  EXPECT_EQ(Run("dorvix /s beta"), 0);
  EXPECT_EQ(output_, "Default printer successfully changed.\r\n");
  EXPECT_EQ(Stored(), changed + DeviceSection("Beta,winspool,Ne01:"));
}

TEST_F(WriteBackTest, EditsItsOwnChangeAgain) {
  // The second switch starts from the registry that the first one wrote.
  EXPECT_EQ(Run("dorvix /s alpha"), 0);
  EXPECT_EQ(Stored(), kPrinters + DeviceSection("Alpha,winspool,Ne00:"));
  EXPECT_EQ(Run("dorvix /s beta"), 0);
  EXPECT_EQ(Stored(), kPrinters + DeviceSection("Beta,winspool,Ne01:"));
  const emulated::RegKey* windows = emulated::Registry().FindKey(emulated::kWindowsKey);
  ASSERT_NE(windows, nullptr);
  EXPECT_EQ(windows->FindValue("device")->data, std::string("Beta,winspool,Ne01:\0", 20));
}

TEST(UpperCaseAnsi, TakesTheCapitalsOfCodePage1252) {
  // Every byte that has a capital, and its capital; all others stay.
  std::string lower = "abcdefghijklmnopqrstuvwxyz\x9a\x9c\x9e\xff";
  std::string upper = "ABCDEFGHIJKLMNOPQRSTUVWXYZ\x8a\x8c\x8e\x9f";
  for (int b = 0xE0; b <= 0xFE; ++b) {
    if (b == 0xF7) continue;  // the division sign
    lower += static_cast<char>(b);
    upper += static_cast<char>(b - 0x20);
  }
  std::string bytes(256, '\0'), expected(256, '\0');
  for (int b = 0; b < 256; ++b) bytes[b] = expected[b] = static_cast<char>(b);
  for (size_t i = 0; i < lower.size(); ++i) {
    expected[static_cast<unsigned char>(lower[i])] = upper[i];
  }
  UpperCaseAnsi(&bytes[0], 256);
  EXPECT_EQ(bytes, expected);
}

}  // namespace
}  // namespace dorvix
