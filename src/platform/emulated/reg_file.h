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
#include <vector>

#include "platform/emulated/code_page.h"

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

// Where each name of a list sits in it, found without regard to letter
// case. The names stay in the list: the index keeps each one's place and a
// hash of its capitals, eight bytes a name in one open-addressed table, so
// that indexing a name allocates nothing and finding one touches the table
// once, however many names there are. A place is below 2^32 - 1: a
// registry file of at most 32 MiB holds far fewer values or subkeys.
class NameIndex {
 public:
  static constexpr size_t kNone = static_cast<size_t>(-1);

  // The place of `name` among the names that `name_at(place)` gives, or
  // kNone.
  template <typename NameAt>
  size_t Find(const std::string& name, const NameAt& name_at) const {
    if (size_ == 0) return kNone;
    const uint32_t hash = Hash(name);
    const size_t mask = entries_.size() - 1;
    for (size_t i = hash & mask; entries_[i].place != kFree; i = (i + 1) & mask) {
      if (entries_[i].hash == hash && SameCapitals(name_at(entries_[i].place), name)) {
        return entries_[i].place;
      }
    }
    return kNone;
  }

  // Records that `name`, which the index does not hold, is at `place`.
  void Add(const std::string& name, size_t place);

  // The place of `name`, as Find gives it; a name the index does not hold
  // is recorded at `new_place`, which is returned.
  template <typename NameAt>
  size_t FindOrAdd(const std::string& name, size_t new_place, const NameAt& name_at) {
    if (2 * (size_ + 1) > entries_.size()) Grow();
    const uint32_t hash = Hash(name);
    const size_t mask = entries_.size() - 1;
    size_t i = hash & mask;
    for (; entries_[i].place != kFree; i = (i + 1) & mask) {
      if (entries_[i].hash == hash && SameCapitals(name_at(entries_[i].place), name)) {
        return entries_[i].place;
      }
    }
    entries_[i] = Entry{hash, static_cast<uint32_t>(new_place)};
    ++size_;
    return new_place;
  }

  // Forgets `name` at `place`; nothing when it is not held there.
  void Remove(const std::string& name, size_t place);

  size_t size() const { return size_; }
  void clear();

 private:
  struct Entry {
    uint32_t hash;
    uint32_t place;  // kFree in a free entry
  };
  static constexpr uint32_t kFree = UINT32_MAX;

  static uint32_t Hash(const std::string& name);
  static bool SameCapitals(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
      if (UpperCaseCp1252(a[i]) != UpperCaseCp1252(b[i])) return false;
    }
    return true;
  }
  void Insert(Entry entry);
  void Grow();

  std::vector<Entry> entries_;  // a power of two long, at most half full
  size_t size_ = 0;
};

struct RegKey {
  std::string name;
  std::vector<RegValue> values;
  std::vector<std::unique_ptr<RegKey>> subkeys;

  const RegValue* FindValue(const std::string& value_name) const;
  RegKey* FindSubkey(const std::string& subkey_name) const;

  // The places in `values` and `subkeys` of the names, in any letter case,
  // or NameIndex::kNone.
  size_t ValuePlace(const std::string& value_name) const;
  size_t SubkeyPlace(const std::string& subkey_name) const;

  // The place of the value named `value_name` in any letter case; a name
  // not indexed yet is indexed at `new_place`, for the caller to fill.
  size_t IndexValue(const std::string& value_name, size_t new_place);

  NameIndex value_slots;
  NameIndex subkey_slots;
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

// A name or string as the file quotes it: in double quotes, with \\ for a
// backslash and \" for a double quote.
std::string Quoted(const std::string& text);

// The .reg entry that sets a value: "NAME"="text", "NAME"=dword:..., or
// "NAME"=hex(N):... for anything a quoted string cannot carry.
std::string EntryText(const std::string& name, uint32_t type,
                      const std::string& data);

}  // namespace emulated
}  // namespace dorvix

#endif  // DORVIX_PLATFORM_EMULATED_REG_FILE_H_
