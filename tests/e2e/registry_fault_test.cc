// Registries that are missing, broken, huge or odd. A registry that cannot
// be read ends a list or switch request with exit status 1 and one report
// naming the file and, within it, the line; the file is left as it was. A
// registry that can be read is listed and switched whatever its size, its
// names and its data.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "e2e/fault_support.h"
#include "platform/emulated/machine.h"
#include "platform/emulated/reg_file.h"

namespace dorvix {
namespace faults {
namespace {

using emulated::kDevicesKey;
using emulated::kPrintersKey;
using emulated::kWindowsKey;

// Runs on 100,000 printers take a second here, and a minute under valgrind.
ProcessOptions Slow() {
  ProcessOptions options;
  options.timeout_seconds = 300;
  return options;
}

// A file's bytes and the marks of a write: a file left as it was keeps all.
struct Snapshot {
  std::string bytes;
  ino_t inode = 0;
  timespec modified{};
};

Snapshot Take(const std::string& path) {
  Snapshot snapshot;
  snapshot.bytes = ReadFile(path);
  struct stat status;
  if (stat(path.c_str(), &status) == 0) {
    snapshot.inode = status.st_ino;
    snapshot.modified = status.st_mtim;
  }
  return snapshot;
}

bool operator==(const Snapshot& a, const Snapshot& b) {
  return a.bytes == b.bytes && a.inode == b.inode &&
         a.modified.tv_sec == b.modified.tv_sec && a.modified.tv_nsec == b.modified.tv_nsec;
}

struct BrokenCase {
  const char* name;
  std::string text;  // the file's bytes
  std::string what;  // after "Registry error: FILE": where and what
};

TEST(BrokenRegistry, IsReportedWithTheFileAndLineAndLeftAsItWas) {
  const std::string devices = "[" + std::string(kDevicesKey) + "]\r\n";
  const BrokenCase cases[] = {
      {"empty", "", ", line 1: the file does not begin with the line REGEDIT4"},
      {"no header", devices + "\"Fax\"=\"winspool,Ne01:\"\r\n",
       ", line 1: the file does not begin with the line REGEDIT4"},
      {"cut in a key", "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Softw",
       ", line 3: the key has no closing ]"},
      {"cut in a string", "REGEDIT4\r\n\r\n" + devices + "\"Fax\"=\"winsp",
       ", line 4: a quoted string has no closing quote"},
      {"cut in a name", "REGEDIT4\r\n" + devices + "\"Fax", ", line 3: a quoted string has no closing quote"},
      {"cut after a continued hex list", "REGEDIT4\n" + devices + "\"Raw\"=hex:01,02,\\\n",
       ", line 3: the file ends after a \\ that continues a hex list"},
      {"invalid hex", "REGEDIT4\n" + devices + "\"Fax\"=\"a\"\n\"Raw\"=hex:01,zz\n",
       ", line 4: a hex byte must be one or two hexadecimal digits"},
      {"hex byte too long", "REGEDIT4\n" + devices + "\"Raw\"=hex:012\n",
       ", line 3: a hex byte must be one or two hexadecimal digits"},
      {"invalid dword", "REGEDIT4\n" + devices + "\"Count\"=dword:fffffffff\n",
       ", line 3: a dword value must be 1 to 8 hexadecimal digits"},
      {"dword not hex", "REGEDIT4\n" + devices + "\"Count\"=dword:-1\n",
       ", line 3: a dword value must be 1 to 8 hexadecimal digits"},
      {"NUL byte", "REGEDIT4\n" + devices + std::string("\"Fax\"=\"a\0\"\n", 10),
       ", line 3: the file holds a NUL byte"},
  };
  ScratchFolder folder;
  const std::string path = folder.File("broken.reg");
  for (const BrokenCase& c : cases) {
    WriteFile(path, c.text);
    const Snapshot before = Take(path);
    for (const char* line : {"dorvix /l", "dorvix /s Fax"}) {
      const ProcessResult result = RunDorvix(line, path);
      EXPECT_TRUE(EndedWith(result, 1)) << c.name << ": " << line;
      EXPECT_EQ(Visible(result.out), Visible("Registry error: " + path + c.what + "\r\n"))
          << c.name << ": " << line;
      EXPECT_TRUE(Take(path) == before) << c.name << ": " << line;
    }
    // A request that needs no registry never reads it.
    EXPECT_TRUE(EndedWith(RunDorvix("dorvix /x", path), 0)) << c.name;
  }
}

TEST(BrokenRegistry, WhatIsNoRegistryFileIsReportedAtOnce) {
  ScratchFolder folder;
  const std::string fifo = folder.File("fifo.reg");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);  // no writer ever comes
  const struct {
    std::string path;
    std::string what;
  } cases[] = {
      {folder.File("missing.reg"), ": cannot be read: No such file or directory"},
      {folder.path(), ": is a folder, not a registry file"},
      {fifo, ": is not a regular file"},
      {"/dev/zero", ": is not a regular file"},  // would fill memory
  };
  for (const auto& c : cases) {
    for (const char* line : {"dorvix /l", "dorvix /s Fax"}) {
      ProcessOptions options;
      options.timeout_seconds = 20;
      const ProcessResult result = RunDorvix(line, c.path, options);
      EXPECT_TRUE(EndedWith(result, 1)) << c.path << ": " << line;
      EXPECT_EQ(result.out, "Registry error: " + c.path + c.what + "\r\n");
    }
  }
  EXPECT_EQ(folder.Names(), (std::vector<std::string>{"fifo.reg"}));
}

TEST(BrokenRegistry, AFileAbove32MiBIsRefusedAtTheLineThatPassesTheLimit) {
  // 50 MB of well-formed printers: too large to be a registry worth reading
  // whole, and refused before it is read on.
  ScratchFolder folder;
  const std::string path = folder.File("huge.reg");
  std::string text = "REGEDIT4\r\n\r\n[" + std::string(kDevicesKey) + "]\r\n";
  while (text.size() < 50 * 1000 * 1000) {
    text += "\"Printer " + std::to_string(text.size()) + "\"=\"winspool,Ne00:\"\r\n";
  }
  WriteFile(path, text);
  const size_t limit = 32 * 1024 * 1024;
  const size_t line = 1 + static_cast<size_t>(std::count(text.begin(), text.begin() + limit, '\n'));
  const Snapshot before = Take(path);
  for (const char* request : {"dorvix /l", "dorvix /s Fax"}) {
    const ProcessResult result = RunDorvix(request, path, Slow());
    EXPECT_TRUE(EndedWith(result, 1)) << request;
    EXPECT_EQ(result.out, "Registry error: " + path + ", line " + std::to_string(line) +
                              ": the file is larger than 32 MiB\r\n");
  }
  EXPECT_TRUE(Take(path) == before);
}

// ---- registries that read ----

TEST(LargeRegistry, A100000PrinterNtRegistryIsListedAndSwitched) {
  std::vector<std::string> names, entries;
  for (int i = 0; i < 100000; ++i) {
    names.push_back("Printer " + std::to_string(i));
    entries.push_back("winspool,Ne" + std::to_string(i) + ":");
  }
  ScratchFolder folder;
  const std::string path = folder.File("registry.reg");
  WriteFile(path, NtRegistry(names, entries));
  const ProcessResult listed = RunDorvix("dorvix /l", path, Slow());
  EXPECT_TRUE(EndedWith(listed, 0));
  EXPECT_TRUE(listed.out == Listing(names)) << listed.out.size() << " bytes";
  const ProcessResult switched = RunDorvix("dorvix /s \"printer 99999\"", path, Slow());
  EXPECT_TRUE(EndedWith(switched, 0));
  EXPECT_EQ(switched.out, "Default printer successfully changed.\r\n");
  EXPECT_TRUE(ReadFile(path) == NtRegistry(names, entries, "Printer 99999,winspool,Ne99999:"));
}

TEST(LargeRegistry, A100000PrinterWin98RegistryWithEveryPrinterDefaultIsSwitched) {
  // Every printer claims to be the default: the switch takes the claim
  // from all of them but one, in one write.
  std::vector<std::string> names;
  std::vector<unsigned> attributes, after;
  for (int i = 0; i < 100000; ++i) {
    names.push_back("Printer " + std::to_string(i));
    attributes.push_back(0x244);
    after.push_back(i == 99999 ? 0x244 : 0x240);
  }
  ScratchFolder folder;
  const std::string path = folder.File("registry.reg");
  WriteFile(path, Win98Registry(names, attributes));
  const ProcessResult listed = RunDorvix("dorvix /l", path, Slow());
  EXPECT_TRUE(EndedWith(listed, 0));
  EXPECT_TRUE(listed.out == Listing(names)) << listed.out.size() << " bytes";
  const ProcessResult switched = RunDorvix("dorvix /s \"Printer 99999\"", path, Slow());
  EXPECT_TRUE(EndedWith(switched, 0));
  EXPECT_EQ(switched.out, "Default printer successfully changed.\r\n");
  EXPECT_TRUE(ReadFile(path) == Win98Registry(names, after));
}

// Every byte from 1 to 255 in printer names, each after its number, so
// that no two names are the same in another letter case, and before a dot,
// so that it is not last. A line end cannot stand in a REGEDIT4 name, and
// on Windows 95/98/Me nor can a backslash, the keys' separator.
std::vector<std::string> NamesWithEveryByte(bool win98) {
  std::vector<std::string> names;
  for (int byte = 1; byte <= 255; ++byte) {
    if (byte == '\n' || (win98 && byte == '\\')) continue;
    names.push_back(std::to_string(byte) + static_cast<char>(byte) + ".");
  }
  // And runs of many odd bytes in one name, each at most 99 bytes.
  for (int first : {1, 100, 199}) {
    std::string name;
    for (int byte = first; byte < first + 99 && byte <= 255; ++byte) {
      if (byte != '\n' && !(win98 && byte == '\\')) name += static_cast<char>(byte);
    }
    names.push_back(name);
  }
  return names;
}

std::vector<std::string> EntriesFor(const std::vector<std::string>& names) {
  std::vector<std::string> entries;
  for (size_t i = 0; i < names.size(); ++i) entries.push_back("winspool,Ne" + std::to_string(i) + ":");
  return entries;
}

std::string RegistryOf(bool win98, const std::vector<std::string>& names) {
  return win98 ? Win98Registry(names, std::vector<unsigned>(names.size(), 0x40))
               : NtRegistry(names, EntriesFor(names));
}

TEST(OddRegistry, NamesHoldingEveryByteAreListedAsTheyAre) {
  ScratchFolder folder;
  const std::string path = folder.File("registry.reg");
  for (bool win98 : {false, true}) {
    const std::vector<std::string> names = NamesWithEveryByte(win98);
    WriteFile(path, RegistryOf(win98, names));
    const ProcessResult listed = RunDorvix("dorvix /l", path);
    EXPECT_TRUE(EndedWith(listed, 0)) << win98;
    EXPECT_EQ(Visible(listed.out), Visible(Listing(names))) << win98;
  }
}

TEST(OddRegistry, NamesHoldingEveryByteAreSwitchedAsTheyAre) {
  ScratchFolder folder;
  const std::string path = folder.File("registry.reg");
  for (bool win98 : {false, true}) {
    const std::vector<std::string> names = NamesWithEveryByte(win98);
    const std::vector<std::string> entries = EntriesFor(names);
    const std::string original = RegistryOf(win98, names);
    // Each name that a command line can carry: none holds a double quote.
    for (size_t i = 0; i < names.size(); ++i) {
      if (names[i].find('"') != std::string::npos) continue;
      WriteFile(path, original);
      const ProcessResult switched = RunDorvix("dorvix /s \"" + names[i] + "\"", path);
      EXPECT_TRUE(EndedWith(switched, 0)) << Visible(names[i]);
      EXPECT_EQ(switched.out, "Default printer successfully changed.\r\n") << Visible(names[i]);
      const emulated::RegFile file = emulated::RegFile::Parse(ReadFile(path));
      if (win98) {
        const emulated::RegKey* printer =
            file.FindKey(std::string(kPrintersKey) + "\\" + names[i]);
        ASSERT_NE(printer, nullptr);
        EXPECT_EQ(printer->FindValue("Attributes")->data, std::string("\x44\0\0\0", 4));
      } else {
        EXPECT_EQ(Visible(file.FindKey(kWindowsKey)->FindValue("Device")->data),
                  Visible(names[i] + "," + entries[i] + '\0'));
      }
    }
  }
}

TEST(OddRegistry, DeviceEntriesTooLongAreLeftOutAndTheListsStayParallel) {
  // Entries of 253 bytes are taken; 254 and 255 do not fit and are left
  // out with their names, and so are names of 100 bytes.
  const std::string e253(253, 'a'), e254(254, 'b'), e255(255, 'c');
  const std::string n99(99, 'N'), n100(100, 'M');
  const std::vector<std::string> names = {"Fits", "Too long", "Far too long", n99, n100, "After"};
  const std::vector<std::string> entries = {e253, e254, e255, "winspool,Ne03:", "x", "winspool,Ne05:"};
  ScratchFolder folder;
  const std::string path = folder.File("registry.reg");
  const std::string original = NtRegistry(names, entries);
  WriteFile(path, original);
  const ProcessResult listed = RunDorvix("dorvix /l", path);
  EXPECT_TRUE(EndedWith(listed, 0));
  EXPECT_EQ(listed.out, Listing({"Fits", n99, "After"}));

  const struct {
    std::string name;
    std::string out;
    std::string device;  // after the switch
  } switches[] = {
      // The whole device string, 258 bytes, goes to the profile.
      {"Fits", "Default printer successfully changed.\r\n", "Fits," + e253},
      {"After", "Default printer successfully changed.\r\n", "After,winspool,Ne05:"},
      {n99, "Default printer successfully changed.\r\n", n99 + ",winspool,Ne03:"},
      {"Too long", "Printer 'Too long' not found.\r\n", "None,winspool,Ne99:"},
      {n100, "Printer '" + n100 + "' not found.\r\n", "None,winspool,Ne99:"},
  };
  for (const auto& s : switches) {
    WriteFile(path, original);
    const ProcessResult result = RunDorvix("dorvix /s \"" + s.name + "\"", path);
    EXPECT_TRUE(EndedWith(result, 0)) << s.name;
    EXPECT_EQ(result.out, s.out) << s.name;
    EXPECT_EQ(ReadFile(path), NtRegistry(names, entries, s.device)) << s.name;
  }
}

TEST(OddRegistry, ValuesOfEveryTypeAreReadAndKeptAsTheyAre) {
  // The Devices key holds a value of every type; only strings are printers,
  // each up to its first NUL. The switch rewrites the Device value alone,
  // whatever type it had, and keeps every other byte of the file.
  const std::string types =
      "\"None\"=hex(0):01,02\r\n"
      "\"String\"=\"winspool,Ne00:\"\r\n"
      "\"Expand\"=hex(2):25,00\r\n"
      "\"Binary\"=hex:00,ff\r\n"
      "\"Dword\"=dword:0000002a\r\n"
      "\"Big endian\"=hex(5):00,00,00,2a\r\n"
      "\"Link\"=hex(6):41,00\r\n"
      "\"Multi\"=hex(7):61,00,62,00,00\r\n"
      "\"Resources\"=hex(8):00\r\n"
      "\"Qword\"=hex(b):01,00,00,00,00,00,00,00\r\n"
      "\"Unknown\"=hex(ffffffff):\r\n"
      "@=\"winspool,Ne01:\"\r\n"
      "\"No NUL\"=hex(1):41,42\r\n"
      "\"Inner NUL\"=hex(1):41,00,42,00\r\n"
      "\"Empty\"=hex(1):\r\n";
  const std::string head = "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Wine]\r\n"
                           "\"Version\"=dword:00000062\r\n\r\n[" + std::string(kDevicesKey) +
                           "]\r\n" + types + "\r\n[" + kWindowsKey + "]\r\n" + types;
  const std::string original = head + "\"DEVICE\"=hex(7):41,00,00\r\n\"Last\"=dword:00000001\r\n";
  ScratchFolder folder;
  const std::string path = folder.File("registry.reg");
  WriteFile(path, original);
  const ProcessResult listed = RunDorvix("dorvix /l", path);
  EXPECT_TRUE(EndedWith(listed, 0));
  EXPECT_EQ(Visible(listed.out), Visible(Listing({"String", "", "No NUL", "Inner NUL", "Empty"})));

  const ProcessResult switched = RunDorvix("dorvix /s \"inner nul\"", path);
  EXPECT_TRUE(EndedWith(switched, 0));
  EXPECT_EQ(switched.out, "Default printer successfully changed.\r\n");
  EXPECT_EQ(Visible(ReadFile(path)),
            Visible(head + "\"DEVICE\"=\"Inner NUL,A\"\r\n\"Last\"=dword:00000001\r\n"));
}

}  // namespace
}  // namespace faults
}  // namespace dorvix
