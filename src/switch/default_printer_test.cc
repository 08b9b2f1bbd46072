#include "switch/default_printer.h"

#include <gtest/gtest.h>

#include "catalogue/catalogue.h"
#include "platform/emulated/machine.h"
#include "platform/spooler.h"
#include "test_machine.h"

namespace dorvix {
namespace {

using Calls = std::vector<std::string>;

const char kChanged[] = "Default printer successfully changed.\r\n";
const char kNotChanged[] = "Default printer could not be changed.\r\n";
using emulated::kWindowsKey;
// A printer's key is its name under this one.
const std::string kPrinters = std::string(emulated::kPrintersKey) + "\\";

std::string StoredString(const std::string& key, const std::string& name) {
  const emulated::RegKey* found = emulated::Registry().FindKey(key);
  const emulated::RegValue* value = found ? found->FindValue(name) : nullptr;
  return value ? value->data.substr(0, value->data.find('\0')) : "<none>";
}

uint32_t StoredDword(const std::string& key, const std::string& name) {
  const emulated::RegValue* value = emulated::Registry().FindKey(key)->FindValue(name);
  uint32_t number = 0;
  for (int i = 3; i >= 0; --i) {
    number = number << 8 | static_cast<unsigned char>(value->data[static_cast<size_t>(i)]);
  }
  return number;
}

class SwitchTest : public MachineTest {
 protected:
  // Loads the catalogue of `registry`, then switches to `name` as typed.
  void Switch(const std::string& registry, const std::string& name) {
    emulated::LoadRegistryText(registry);
    LoadPrinterCatalogue();
    SwitchLoaded(name);
  }
  void SwitchLoaded(const std::string& name) {
    emulated::SetCommandLine("dorvix /s \"" + name + "\"");
    emulated::StartTrace();
    SetDefaultPrinter();
  }
  CatalogueLifetime lifetime_;
};

// ---- NT family: the profile ----

const std::string kOffice = NtMachine(
    "\"Accounts Laser\"=\"winspool,Ne00:\"\r\n"
    "\"Fax, Room 2\"=\"winspool,Ne01:\"\r\n"
    "\"Rendering Subsystem\"=\"winspool,Ne02:\"\r\n");

TEST_F(SwitchTest, NtWritesTheCataloguesNameAndEntryThenBroadcasts) {
  Switch(kOffice, "fax, ROOM 2");
  EXPECT_EQ(output_, kChanged);
  EXPECT_EQ(emulated::Trace(),
            (Calls{"WriteProfileStringA(windows, device, Fax, Room 2,winspool,Ne01:)",
                   "SendMessageA(65535, 26, 0, 0)"}));
  EXPECT_EQ(StoredString(kWindowsKey, "Device"), "Fax, Room 2,winspool,Ne01:");
}

TEST_F(SwitchTest, TheRenderingSubsystemEntryIsSwitchedLikeAnyOther) {
  Switch(kOffice, "Rendering Subsystem");
  EXPECT_EQ(output_, kChanged);
  EXPECT_EQ(StoredString(kWindowsKey, "Device"), "Rendering Subsystem,winspool,Ne02:");
}

TEST_F(SwitchTest, NamesThatAreNotWhollyEqualAreNotFound) {
  for (const std::string name : {"Accounts Laser ", " Accounts Laser", "Accounts", "0", ""}) {
    output_.clear();
    Switch(kOffice, name);
    EXPECT_EQ(output_, "Printer '" + name + "' not found.\r\n");
    EXPECT_EQ(emulated::Trace(), Calls{}) << name;
  }
}

TEST_F(SwitchTest, AnEmptyCatalogueFindsNothing) {
  Switch(RegFileText(""), "aNy Printer");
  EXPECT_EQ(output_, "Printer 'aNy Printer' not found.\r\n");
}

TEST_F(SwitchTest, NtHandsTheProfileTheWholeDeviceString) {
  // 99 bytes of name and 253 of entry: more than any fixed buffer of 100.
  const std::string name(99, 'n'), entry(253, 'e');
  Switch(NtMachine("\"" + name + "\"=\"" + entry + "\"\r\n"), name);
  EXPECT_EQ(output_, kChanged);
  EXPECT_EQ(StoredString(kWindowsKey, "Device"), name + "," + entry);
}

TEST_F(SwitchTest, NtReportsAProfileThatCannotBeWritten) {
  emulated::FailCall("WriteProfileStringA");
  Switch(kOffice, "Accounts Laser");
  EXPECT_EQ(output_, kNotChanged);
  EXPECT_EQ(emulated::Trace(),
            (Calls{"WriteProfileStringA(windows, device, Accounts Laser,winspool,Ne00:)"}));
}

TEST_F(SwitchTest, EveryMatchIsSwitchedInCatalogueOrder) {
  // A registry holds no two names that differ only in case; a catalogue
  // filled by hand does.
  emulated::LoadRegistryText(RegFileText(""));
  PrinterNames = {"Laser", "Other", "LASER"};
  DeviceEntries = {"winspool,Ne00:", "winspool,Ne01:", "winspool,Ne02:"};
  PrinterCount = 3;
  SwitchLoaded("laser");
  EXPECT_EQ(output_, std::string(kChanged) + kChanged);
  EXPECT_EQ(emulated::Trace(),
            (Calls{"WriteProfileStringA(windows, device, Laser,winspool,Ne00:)",
                   "SendMessageA(65535, 26, 0, 0)",
                   "WriteProfileStringA(windows, device, LASER,winspool,Ne02:)",
                   "SendMessageA(65535, 26, 0, 0)"}));
  EXPECT_EQ(StoredString(kWindowsKey, "Device"), "LASER,winspool,Ne02:");
}

// ---- Windows 95/98/Me: the spooler ----

const std::string kWin98Office = Win98Machine(
    "[" + kPrinters + "Accounts Laser]\r\n"
    "\"Port\"=\"LPT1:\"\r\n"
    "\"Attributes\"=dword:00000014\r\n"
    "\"dnsTimeout\"=dword:00003a98\r\n"
    "[" + kPrinters + "Front Desk]\r\n"
    "\"Port\"=\"LPT2:\"\r\n"
    "\"Attributes\"=dword:00000240\r\n"
    "[" + kPrinters + "No Attributes]\r\n");

TEST_F(SwitchTest, Win98OrsTheDefaultBitIntoTheLevel5Record) {
  Switch(kWin98Office, "front desk");
  EXPECT_EQ(output_, kChanged);
  // The record is 5 fields, then "Front Desk" and "LPT2:" with their NULs.
  const std::string record_size = std::to_string(sizeof(PrinterInfo5) + 11 + 6);
  EXPECT_EQ(emulated::Trace(),
            (Calls{"OpenPrinterA(Front Desk)", "GetPrinterA(level 5, size 0)",
                   "GetPrinterA(level 5, size " + record_size + ")",
                   "SetPrinterA(level 5, command 4, attributes " +
                       std::to_string(0x240 | 4) + ")",
                   "ClosePrinter"}));
  EXPECT_EQ(StoredDword(kPrinters + "Front Desk", "Attributes"), 0x244u);
  // One default at a time: the old default loses the bit, and only it.
  EXPECT_EQ(StoredDword(kPrinters + "Accounts Laser", "Attributes"), 0x10u);
  EXPECT_EQ(StoredString(kPrinters + "No Attributes", "Attributes"), "<none>");
}

TEST_F(SwitchTest, Win98ReportsEveryFailedSpoolerStepAndClosesWhatItOpened) {
  const struct {
    const char* failing;
    Calls calls;
  } cases[] = {
      {"OpenPrinterA", {"OpenPrinterA(No Attributes)"}},
      {"GetPrinterA size query",
       {"OpenPrinterA(No Attributes)", "GetPrinterA(level 5, size 0)", "ClosePrinter"}},
      {"GetPrinterA read",
       {"OpenPrinterA(No Attributes)", "GetPrinterA(level 5, size 0)",
        "GetPrinterA(level 5, size " + std::to_string(sizeof(PrinterInfo5) + 14 + 1) + ")",
        "ClosePrinter"}},
      {"SetPrinterA",
       {"OpenPrinterA(No Attributes)", "GetPrinterA(level 5, size 0)",
        "GetPrinterA(level 5, size " + std::to_string(sizeof(PrinterInfo5) + 14 + 1) + ")",
        "SetPrinterA(level 5, command 4, attributes 4)", "ClosePrinter"}},
  };
  for (const auto& c : cases) {
    emulated::ResetMachine();
    emulated::CaptureStandardOutput(&output_);
    output_.clear();
    emulated::FailCall(c.failing);
    CatalogueLifetime catalogue;
    Switch(kWin98Office, "No Attributes");
    EXPECT_EQ(output_, kNotChanged) << c.failing;
    EXPECT_EQ(emulated::Trace(), c.calls) << c.failing;
    EXPECT_EQ(StoredDword(kPrinters + "Accounts Laser", "Attributes"), 0x14u);
  }
}

TEST_F(SwitchTest, TheFamilyIsAskedAtTheMomentOfTheSwitch) {
  // Names loaded as NT, switched on a machine that is now Windows 98.
  emulated::LoadRegistryText(kWin98Office);
  PrinterNames = {"Front Desk"};
  DeviceEntries = {"winspool,Ne00:"};
  PrinterCount = 1;
  SwitchLoaded("Front Desk");
  EXPECT_EQ(emulated::Trace().front(), "OpenPrinterA(Front Desk)");
}

}  // namespace
}  // namespace dorvix
