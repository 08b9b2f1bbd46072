// The emulated machine's registry, kept as a REGEDIT4 text file: the format
// regedit imports and exports, so the same file also loads into a real
// registry.
//
//   REGEDIT4
//
//   [HKEY_CURRENT_USER\Software\Microsoft\Windows NT\CurrentVersion\Devices]
//   "Office Laser"="winspool,Ne00:"
//   @="the key's unnamed value"
//   "Flags"=dword:00000004
//   "Blob"=hex:01,02,\   (a backslash at the end of a line continues it)
//     03
//   "Raw string"=hex(1):41,42,00
//
// Key and value names match without regard to letter case. A key or value
// named again later in the file is the same one: a value takes the later
// data, and both keep their first place and spelling. Subkeys and values
// enumerate in the order in which they first appear. "[-KEY]" deletes a key
// with its subkeys, "NAME"=- a value.
//
// The text is kept, and a change rewrites only the entries it changes, so
// every other byte of the file stays as it was.
#ifndef DORVIX_PLATFORM_EMULATED_REG_FILE_H_
#define DORVIX_PLATFORM_EMULATED_REG_FILE_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace dorvix {
namespace emulated {

constexpr uint32_t kTypeString = 1;
constexpr uint32_t kTypeBinary = 3;
constexpr uint32_t kTypeDword = 4;

struct RegValue {
  std::string name;  // empty for the key's unnamed value
  uint32_t type = 0;
  std::string data;  // the stored bytes: a string keeps its NUL
  // The entry that last set the value: from the start of its first line to
  // the end of its last line, line end excluded.
  size_t entry_begin = 0;
  size_t entry_end = 0;
};

struct RegKey {
  std::string name;
  std::vector<RegValue> values;
  std::vector<std::unique_ptr<RegKey>> subkeys;

  const RegValue* FindValue(const std::string& value_name) const;
  RegKey* FindSubkey(const std::string& subkey_name) const;

  // Lookup by upper-cased name.
  std::unordered_map<std::string, size_t> value_slots;
  std::unordered_map<std::string, size_t> subkey_slots;
};

// A malformed file: where, and what is wrong.
struct RegFileError {
  size_t line;
  std::string message;
};

// A change to make: `key_path` names the key from its root down, the root's
// name first ("HKEY_CURRENT_USER\Software\...").
struct ValueEdit {
  std::string key_path;
  std::string value_name;
  uint32_t type;
  std::string data;
};

class RegFile {
 public:
  // Parses a whole file. Throws RegFileError.
  static RegFile Parse(std::string text);

  // The key at `path` ("HKEY_LOCAL_MACHINE\System\..."), or null.
  RegKey* FindKey(const std::string& path) const;

  // The file's text, as parsed.
  const std::string& text() const { return text_; }

  // The text with `edits` made: an existing value's entry is rewritten in
  // place, a new value is added in a section of its own at the end, after a
  // blank line. Of several edits of one value the last wins.
  std::string EditedText(const std::vector<ValueEdit>& edits) const;

 private:
  struct Root {
    const char* name;
    std::unique_ptr<RegKey> key;
  };

  RegKey* RootKey(const std::string& name) const;

  std::string text_;
  std::string line_end_ = "\r\n";
  std::vector<Root> roots_;
  friend class RegFileParser;
};

// The .reg entry that sets a value: "NAME"="text", "NAME"=dword:..., or
// "NAME"=hex(N):... for anything a quoted string cannot carry.
std::string EntryText(const std::string& name, uint32_t type,
                      const std::string& data);

}  // namespace emulated
}  // namespace dorvix

#endif  // DORVIX_PLATFORM_EMULATED_REG_FILE_H_
