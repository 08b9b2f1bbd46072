#include "platform/emulated/reg_file.h"

#include <gtest/gtest.h>

#include <chrono>
#include <random>

namespace dorvix {
namespace emulated {
namespace {

const RegValue& ValueOf(const RegFile& file, const std::string& key, const std::string& name) {
  const RegKey* found = file.FindKey(key);
  EXPECT_NE(found, nullptr) << key;
  static const RegValue kNone{};
  if (found == nullptr) return kNone;
  const RegValue* value = found->FindValue(name);
  EXPECT_NE(value, nullptr) << key << " " << name;
  return value ? *value : kNone;
}

std::vector<std::string> ValueNames(const RegKey& key) {
  std::vector<std::string> names;
  for (const RegValue& value : key.values) names.push_back(value.name);
  return names;
}

std::vector<std::string> SubkeyNames(const RegKey& key) {
  std::vector<std::string> names;
  for (const auto& subkey : key.subkeys) names.push_back(subkey->name);
  return names;
}

TEST(RegFile, ReadsEveryKindOfValue) {
  const RegFile file = RegFile::Parse(
      "REGEDIT4\n"
      "\n"
      "; a comment\n"
      "[HKEY_CURRENT_USER\\K]\n"
      "\"Plain\"=\"C:\\\\dir \\\"quoted\\\" \xe9\"\n"
      "@=\"default\"\n"
      "  \"Spaced\" = dword:0000002A\n"
      "\"Short\"=dword:7\n"
      "\"Bin\"=hex:00,ff,\\\n"
      "    1,Ab\n"
      "\"Typed\"=hex(7):61,00,00\n"
      "\"Empty\"=hex(2):\n"
      "\"None\"=hex(0):\n");
  const std::string k = "HKEY_CURRENT_USER\\K";
  EXPECT_EQ(ValueOf(file, k, "Plain").data, std::string("C:\\dir \"quoted\" \xe9\0", 18));
  EXPECT_EQ(ValueOf(file, k, "Plain").type, kTypeString);
  EXPECT_EQ(ValueOf(file, k, "").data, std::string("default\0", 8));
  EXPECT_EQ(ValueOf(file, k, "Spaced").data, std::string("\x2a\0\0\0", 4));
  EXPECT_EQ(ValueOf(file, k, "Spaced").type, kTypeDword);
  EXPECT_EQ(ValueOf(file, k, "Short").data, std::string("\x07\0\0\0", 4));
  EXPECT_EQ(ValueOf(file, k, "Bin").data, std::string("\x00\xff\x01\xab", 4));
  EXPECT_EQ(ValueOf(file, k, "Bin").type, kTypeBinary);
  EXPECT_EQ(ValueOf(file, k, "Typed").type, 7u);
  EXPECT_EQ(ValueOf(file, k, "Empty").data, "");
  EXPECT_EQ(ValueOf(file, k, "Empty").type, 2u);
  EXPECT_EQ(ValueOf(file, k, "None").type, 0u);
}

TEST(RegFile, NamesMatchInAnyCaseAndKeepTheirFirstPlaceAndSpelling) {
  const RegFile file = RegFile::Parse(
      "REGEDIT4\r\n"
      "[HKEY_LOCAL_MACHINE\\Top\\Beta\\Deep]\r\n"
      "[HKEY_LOCAL_MACHINE\\Top\\Alpha]\r\n"
      "\"One\"=\"1\"\r\n"
      "\"Two\"=\"2\"\r\n"
      "[hkey_local_machine\\TOP\\BETA]\r\n"
      "[HKEY_LOCAL_MACHINE\\Top\\ALPHA]\r\n"
      "\"ONE\"=dword:00000001\r\n"
      "[HKEY_LOCAL_MACHINE\\Top\\\xe9t\xe9]\r\n"
      "[HKEY_LOCAL_MACHINE\\Top\\\xc9T\xc9]\r\n");
  const RegKey* top = file.FindKey("HKEY_LOCAL_MACHINE\\top");
  ASSERT_NE(top, nullptr);
  EXPECT_EQ(SubkeyNames(*top), (std::vector<std::string>{"Beta", "Alpha", "\xe9t\xe9"}));
  const RegKey* alpha = file.FindKey("HKEY_LOCAL_MACHINE\\Top\\Alpha");
  EXPECT_EQ(ValueNames(*alpha), (std::vector<std::string>{"One", "Two"}));
  EXPECT_EQ(alpha->values[0].type, kTypeDword);
}

TEST(RegFile, DeletesKeysAndValues) {
  const RegFile file = RegFile::Parse(
      "REGEDIT4\n"
      "[HKEY_CURRENT_USER\\A\\Gone\\Child]\n"
      "[HKEY_CURRENT_USER\\A\\Kept]\n"
      "\"x\"=\"1\"\n"
      "\"y\"=\"2\"\n"
      "[-HKEY_CURRENT_USER\\A\\GONE]\n"
      "[HKEY_CURRENT_USER\\A\\Kept]\n"
      "\"X\"=-\n");
  EXPECT_EQ(file.FindKey("HKEY_CURRENT_USER\\A\\Gone"), nullptr);
  const RegKey* kept = file.FindKey("HKEY_CURRENT_USER\\A\\Kept");
  ASSERT_NE(kept, nullptr);
  EXPECT_EQ(ValueNames(*kept), (std::vector<std::string>{"y"}));
}

TEST(RegFile, RemovedValuesAndKeysComeBackLast) {
  const RegFile file = RegFile::Parse(
      "REGEDIT4\n"
      "[HKEY_CURRENT_USER\\A\\One]\n"
      "[HKEY_CURRENT_USER\\A\\Two]\n"
      "\"x\"=\"1\"\n"
      "\"y\"=\"2\"\n"
      "\"x\"=-\n"
      "\"x\"=\"3\"\n"
      "\"z\"=-\n"
      "[-HKEY_CURRENT_USER\\A\\One]\n"
      "[-HKEY_CURRENT_USER\\A\\Never]\n"
      "[HKEY_CURRENT_USER\\A\\ONE]\n");
  EXPECT_EQ(SubkeyNames(*file.FindKey("HKEY_CURRENT_USER\\A")),
            (std::vector<std::string>{"Two", "ONE"}));
  const RegKey* two = file.FindKey("HKEY_CURRENT_USER\\A\\Two");
  EXPECT_EQ(ValueNames(*two), (std::vector<std::string>{"y", "x"}));
  EXPECT_EQ(ValueOf(file, "HKEY_CURRENT_USER\\A\\Two", "X").data, std::string("3\0", 2));
}

TEST(RegFile, ReadsManyRemovalsInLinearTime) {
  // Each removal used to close the gap in its list at once: this file took
  // minutes. Read in one pass it takes a fraction of a second.
  const int count = 100000;
  std::string text = "REGEDIT4\n[HKEY_CURRENT_USER\\Values]\n";
  for (int i = 0; i < count; ++i) text += "\"v" + std::to_string(i) + "\"=\"x\"\n";
  for (int i = 0; i < count - 1; ++i) text += "\"v" + std::to_string(i) + "\"=-\n";
  for (int i = 0; i < count; ++i) text += "[HKEY_CURRENT_USER\\Keys\\k" + std::to_string(i) + "]\n";
  for (int i = 1; i < count; ++i) text += "[-HKEY_CURRENT_USER\\Keys\\k" + std::to_string(i) + "]\n";
  const auto start = std::chrono::steady_clock::now();
  const RegFile file = RegFile::Parse(text);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
  EXPECT_EQ(ValueNames(*file.FindKey("HKEY_CURRENT_USER\\Values")),
            (std::vector<std::string>{"v" + std::to_string(count - 1)}));
  EXPECT_EQ(SubkeyNames(*file.FindKey("HKEY_CURRENT_USER\\Keys")),
            (std::vector<std::string>{"k0"}));
}

TEST(NameIndex, FindsEveryNameInAnyCaseThroughGrowthAndRemovals) {
  std::vector<std::string> names;
  for (int i = 0; i < 5000; ++i) names.push_back("Caf\xe9 printer " + std::to_string(i));
  const auto name_at = [&](size_t place) -> const std::string& { return names[place]; };
  const auto capitals = [](std::string name) {
    for (char& byte : name) byte = UpperCaseCp1252(byte);
    return name;
  };
  NameIndex index;
  std::vector<bool> held(names.size(), false);
  std::mt19937 random(20261211);
  for (int round = 0; round < 4; ++round) {
    // Names come and go in any order: entries move up into the room that
    // a removal frees, and every name must still be found where it is.
    for (size_t i = 0; i < names.size(); ++i) {
      if (!held[i] && random() % 2 == 0) {
        index.Add(names[i], i);
        held[i] = true;
      } else if (held[i] && random() % 3 == 0) {
        index.Remove(names[i], i);
        held[i] = false;
      }
    }
    size_t count = 0;
    for (size_t i = 0; i < names.size(); ++i) {
      const size_t expected = held[i] ? i : NameIndex::kNone;
      ASSERT_EQ(index.Find(names[i], name_at), expected) << names[i];
      ASSERT_EQ(index.Find(capitals(names[i]), name_at), expected) << names[i];
      count += held[i];
    }
    EXPECT_EQ(index.size(), count);
    EXPECT_EQ(index.Find("Caf\xe9 printer 5000", name_at), NameIndex::kNone);
    index.Remove("Caf\xe9 printer 5000", 5000);  // never held: nothing changes
    EXPECT_EQ(index.size(), count);
  }
  index.clear();
  EXPECT_EQ(index.size(), 0u);
  EXPECT_EQ(index.Find(names[0], name_at), NameIndex::kNone);
}

TEST(RegFile, RefusesKeysDeeperThanTheRegistryAllows) {
  // Windows keeps keys at most 512 levels below their root. A path of a
  // million levels crashed the reader when it freed the tree.
  const auto path = [](int levels) {
    std::string text = "HKEY_CURRENT_USER";
    for (int i = 0; i < levels; ++i) text += "\\k";
    return text;
  };
  const RegFile file = RegFile::Parse("REGEDIT4\n[" + path(512) + "]\n");
  EXPECT_NE(file.FindKey(path(512)), nullptr);
  for (const std::string& section : {path(513), "-" + path(513), path(1000000)}) {
    try {
      RegFile::Parse("REGEDIT4\n\n[" + section + "]\n");
      ADD_FAILURE() << "accepted a path " << section.size() << " bytes long";
    } catch (const RegFileError& error) {
      EXPECT_EQ(error.line, 3u);
      EXPECT_EQ(error.message, "the key path is more than 512 keys deep");
    }
  }
}

struct MalformedCase {
  const char* text;
  size_t line;
  const char* message;
};

TEST(RegFile, RefusesMalformedFilesWithTheLine) {
  const MalformedCase cases[] = {
      {"", 1, "the file does not begin with the line REGEDIT4"},
      {"Windows Registry Editor Version 5.00\r\n", 1,
       "the file does not begin with the line REGEDIT4"},
      {"REGEDIT4\n\"a\"=\"b\"\n", 2, "a value outside any key"},
      {"REGEDIT4\n[HKEY_NOWHERE\\A]\n", 2, "unknown root key HKEY_NOWHERE"},
      {"REGEDIT4\n[HKEY_CURRENT_USER\\A\n", 2, "the key has no closing ]"},
      {"REGEDIT4\n[HKEY_CURRENT_USER\\\\A]\n", 2, "the key path has an empty name in it"},
      {"REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"a\"=\"b\n", 3,
       "a quoted string has no closing quote"},
      {"REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"a\"=\"b\\n\"\n", 3,
       "a backslash in a quoted string must be written \\\\"},
      {"REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"a\"=dword:123456789\n", 3,
       "a dword value must be 1 to 8 hexadecimal digits"},
      {"REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"a\"=dword:\n", 3,
       "a dword value must be 1 to 8 hexadecimal digits"},
      {"REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"a\"=hex:0g\n", 3,
       "expected a comma between hex bytes"},
      {"REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"a\"=hex:,01\n", 3,
       "a hex byte must be one or two hexadecimal digits"},
      {"REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"a\"=hex:100\n", 3,
       "a hex byte must be one or two hexadecimal digits"},
      {"REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"a\"=hex:01,\n", 3, "a hex list ends with a comma"},
      {"REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"a\"=hex:01,\\\n", 3,
       "the file ends after a \\ that continues a hex list"},
      {"REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"a\"=hex(x):01\n", 3,
       "hex(N): N must be 1 to 8 hexadecimal digits"},
      {"REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"a\"=text\n", 3,
       "expected a quoted string, dword: or hex: after ="},
      {"REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"a\" \"b\"\n", 3, "expected = after the value's name"},
      {"REGEDIT4\n[HKEY_CURRENT_USER\\A]\nvalue=1\n", 3,
       "expected a [key] line, a value line or a comment"},
      {"REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"a\"=\"b\" junk\n", 3,
       "text after the closing quote of the string"},
  };
  for (const MalformedCase& c : cases) {
    try {
      RegFile::Parse(c.text);
      ADD_FAILURE() << "accepted: " << c.text;
    } catch (const RegFileError& error) {
      EXPECT_EQ(error.line, c.line) << c.text;
      EXPECT_EQ(error.message, c.message) << c.text;
    }
  }
  try {
    RegFile::Parse(std::string("REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"a\"=\"\0\"\n", 37));
    ADD_FAILURE() << "accepted a NUL byte";
  } catch (const RegFileError& error) {
    EXPECT_EQ(error.line, 3u);
  }
}

TEST(RegFile, EditsRewriteOnlyTheirEntries) {
  const std::string original =
      "REGEDIT4\r\n"
      "; kept as it is\r\n"
      "[HKEY_CURRENT_USER\\Windows]\r\n"
      "\"device\"=\"old,first\"\r\n"
      "\"Other\"=hex:01,\\\r\n"
      "  02\r\n"
      "\"DEVICE\"=\"old,second\"\r\n"
      "\"Last\"=dword:00000001";
  const RegFile file = RegFile::Parse(original);
  const std::string edited = file.EditedText({
      {"HKEY_CURRENT_USER\\WINDOWS", "Device", kTypeString, std::string("P,x\0", 4)},
      {"HKEY_CURRENT_USER\\Windows", "other", kTypeDword, std::string("\x05\0\0\0", 4)},
      {"HKEY_CURRENT_USER\\New Key", "Fresh", kTypeString, std::string("v\0", 2)},
  });
  EXPECT_EQ(edited,
            "REGEDIT4\r\n"
            "; kept as it is\r\n"
            "[HKEY_CURRENT_USER\\Windows]\r\n"
            "\"device\"=\"old,first\"\r\n"
            "\"Other\"=dword:00000005\r\n"
            "\"device\"=\"P,x\"\r\n"
            "\"Last\"=dword:00000001\r\n"
            "\r\n"
            "[HKEY_CURRENT_USER\\New Key]\r\n"
            "\"Fresh\"=\"v\"\r\n");
  const RegFile reread = RegFile::Parse(edited);
  EXPECT_EQ(ValueNames(*reread.FindKey("HKEY_CURRENT_USER\\Windows")),
            (std::vector<std::string>{"device", "Other", "Last"}));
}

TEST(RegFile, AddsAfterALastLineThatEndsInACarriageReturnAlone) {
  // A CR at the very end of the file is taken as the line's end; a value
  // added after it must not leave that CR inside the line.
  const std::string texts[] = {"REGEDIT4\r", "REGEDIT4\r\n[HKEY_CURRENT_USER\\K]\r\n\"a\"=\"b\"\r",
                               "REGEDIT4\n[HKEY_CURRENT_USER\\K]\n\"a\"=\"b\"\r"};
  for (const std::string& text : texts) {
    const std::string edited = RegFile::Parse(text).EditedText(
        {{"HKEY_CURRENT_USER\\Windows", "Device", kTypeString, std::string("P,x\0", 4)}});
    EXPECT_EQ(edited.compare(0, text.size() + 1, text + "\n"), 0) << edited;
    const RegFile reread = RegFile::Parse(edited);
    EXPECT_EQ(ValueOf(reread, "HKEY_CURRENT_USER\\Windows", "Device").data,
              std::string("P,x\0", 4));
  }
}

TEST(RegFile, EntriesReadBackAsWritten) {
  struct Entry {
    std::string name;
    uint32_t type;
    std::string data;
  };
  const Entry entries[] = {
      {"Quote \" and \\", kTypeString, std::string("a\\\"b\0", 5)},
      {"", kTypeString, std::string("default\0", 8)},
      {"Line ends", kTypeString, std::string("a\r\nb\0", 5)},  // needs hex(1)
      {"No NUL", kTypeString, "ab"},
      {"Inner NUL", kTypeString, std::string("a\0b\0", 4)},
      {"Dword", kTypeDword, std::string("\x78\x56\x34\x12", 4)},
      {"Odd dword", kTypeDword, "abc"},
      {"Binary", kTypeBinary, std::string("\x00\xff", 2)},
      {"Multi", 7, std::string("a\0b\0\0", 5)},
      {"Big type", 0x12345, "x"},
  };
  for (const Entry& entry : entries) {
    const std::string text = "REGEDIT4\n[HKEY_CURRENT_USER\\K]\n" +
                             EntryText(entry.name, entry.type, entry.data) + "\n";
    const RegFile file = RegFile::Parse(text);
    const RegValue& value = ValueOf(file, "HKEY_CURRENT_USER\\K", entry.name);
    EXPECT_EQ(value.type, entry.type) << text;
    EXPECT_EQ(value.data, entry.data) << text;
  }
}

}  // namespace
}  // namespace emulated
}  // namespace dorvix
