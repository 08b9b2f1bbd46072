#include "catalogue/catalogue.h"

#include <gtest/gtest.h>

#include "platform/emulated/machine.h"
#include "test_machine.h"

namespace dorvix {
namespace {

using Names = std::vector<std::string>;

class CatalogueTest : public MachineTest {
 protected:
  void Load(const std::string& registry) {
    emulated::LoadRegistryText(registry);
    LoadPrinterCatalogue();
  }
  CatalogueLifetime lifetime_;
};

TEST_F(CatalogueTest, NtTakesTheStringValuesOfTheDevicesKeyInOrder) {
  Load(NtMachine(
      "\"Zeta\"=\"winspool,Ne00:\"\r\n"
      "\"Binary\"=dword:00000001\r\n"
      "\"alpha\"=\"winspool,LPT1:\"\r\n"
      "@=\"winspool,Ne02:\"\r\n"));
  EXPECT_EQ(PrinterNames, (Names{"Zeta", "alpha", ""}));
  EXPECT_EQ(DeviceEntries, (Names{"winspool,Ne00:", "winspool,LPT1:", "winspool,Ne02:"}));
  EXPECT_EQ(PrinterCount, 3);
}

TEST_F(CatalogueTest, NtLeavesOutWhatDoesNotFitAndReadsOn) {
  const std::string name99(99, 'n'), name100(100, 'N');
  const std::string data253(253, 'd'), data254(254, 'D');
  Load(NtMachine("\"" + name99 + "\"=\"a\"\r\n" +
                 "\"" + name100 + "\"=\"b\"\r\n" +
                 "\"Long data\"=\"" + data254 + "\"\r\n" +
                 "\"Full data\"=\"" + data253 + "\"\r\n" +
                 "\"Last\"=\"c\"\r\n"));
  EXPECT_EQ(PrinterNames, (Names{name99, "Full data", "Last"}));
  EXPECT_EQ(DeviceEntries, (Names{"a", data253, "c"}));
  EXPECT_EQ(PrinterCount, 3);
}

TEST_F(CatalogueTest, NtTakesDataWithoutANulAsReceived) {
  // A first value fills the buffer, so that leftovers would show.
  Load(NtMachine("\"Full\"=\"" + std::string(253, 'x') + "\"\r\n"
                 "\"No NUL\"=hex(1):41,42\r\n"
                 "\"Empty\"=hex(1):\r\n"
                 "\"Inner NUL\"=hex(1):41,00,42,00\r\n"));
  EXPECT_EQ(DeviceEntries, (Names{std::string(253, 'x'), "AB", "", "A"}));
}

TEST_F(CatalogueTest, NtOffersTheFixedCapacitiesAndClosesTheKey) {
  emulated::LoadRegistryText(NtMachine("\"A\"=\"a\"\r\n"));
  emulated::StartTrace();
  LoadPrinterCatalogue();
  EXPECT_EQ(emulated::Trace(),
            (Names{"RegOpenKeyExA(HKEY_CURRENT_USER\\Software\\Microsoft\\Windows "
                   "NT\\CurrentVersion\\Devices, access 983103)",
                   "RegEnumValueA(0, name 100, data 254)",
                   "RegEnumValueA(1, name 100, data 254)", "RegCloseKey"}));
}

TEST_F(CatalogueTest, NtEndsWhenEveryIndexFails) {
  emulated::LoadRegistryText(NtMachine("\"A\"=\"a\"\r\n"));
  emulated::FailCall("RegEnumValueA");  // as for a key deleted while read
  emulated::StartTrace();
  LoadPrinterCatalogue();
  EXPECT_EQ(PrinterCount, 0);
  EXPECT_LT(emulated::Trace().size(), 100u);
  EXPECT_EQ(emulated::Trace().back(), "RegCloseKey");
}

TEST_F(CatalogueTest, Win98TakesThePrinterSubkeysAndNoDeviceEntries) {
  Load(Win98Machine(
      "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\Print\\Printers\\Zeta]\r\n"
      "\"Port\"=\"LPT1:\"\r\n"
      "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\Print\\Printers\\Alpha\\Sub]\r\n"));
  EXPECT_EQ(PrinterNames, (Names{"Zeta", "Alpha"}));
  EXPECT_TRUE(DeviceEntries.empty());
  EXPECT_EQ(PrinterCount, 2);
}

TEST_F(CatalogueTest, Win98StopsAtTheFirstNameThatDoesNotFit) {
  const std::string printers =
      "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\Print\\Printers\\";
  Load(Win98Machine(printers + std::string(99, 'a') + "]\r\n" +
                    printers + std::string(100, 'b') + "]\r\n" +
                    printers + "After]\r\n"));
  EXPECT_EQ(PrinterNames, (Names{std::string(99, 'a')}));
}

TEST_F(CatalogueTest, AMissingKeyLeavesTheCatalogueEmpty) {
  const std::string win98_without_printers =
      RegFileText("[HKEY_CURRENT_USER\\Software\\Wine]\r\n\"Version\"=\"win98\"\r\n");
  for (const std::string& registry : {RegFileText(""), win98_without_printers}) {
    CatalogueLifetime lifetime;
    Load(registry);
    EXPECT_TRUE(PrinterNames.empty());
    EXPECT_TRUE(DeviceEntries.empty());
    EXPECT_EQ(PrinterCount, 0);
    EXPECT_EQ(output_, "");
  }
}

}  // namespace
}  // namespace dorvix
