// Any bytes as a REGEDIT4 file: the reader either takes the file or names a
// line of it, and a file it takes can be edited without touching any value
// but the edited ones.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/emulated/code_page.h"
#include "platform/emulated/reg_file.h"
#include "property.h"

namespace {

using dorvix::emulated::RegFile;
using dorvix::emulated::RegFileError;
using dorvix::emulated::RegKey;
using dorvix::emulated::RegValue;
using dorvix::emulated::ValueEdit;

const char* const kRoots[] = {
    "HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER",   "HKEY_LOCAL_MACHINE",
    "HKEY_USERS",        "HKEY_CURRENT_CONFIG", "HKEY_DYN_DATA",
};

struct Found {
  std::string key_path;
  const RegValue* value;
};

// Every key below the roots, its lookup tables checked on the way; the
// values in enumeration order.
void Walk(const RegFile& file, std::vector<std::string>* key_paths,
          std::vector<Found>* values) {
  std::vector<std::pair<std::string, const RegKey*>> pending;
  for (const char* root : kRoots) pending.push_back({root, file.FindKey(root)});
  while (!pending.empty()) {
    const std::string path = pending.back().first;
    const RegKey* key = pending.back().second;
    pending.pop_back();
    DORVIX_REQUIRE(key != nullptr);
    DORVIX_REQUIRE(file.FindKey(path) == key);
    key_paths->push_back(path);
    DORVIX_REQUIRE(key->value_slots.size() == key->values.size());
    for (size_t i = 0; i < key->values.size(); ++i) {
      const RegValue& value = key->values[i];
      DORVIX_REQUIRE(key->FindValue(value.name) == &value);
      // The entry that set it starts a line of the file.
      DORVIX_REQUIRE(value.entry_begin < value.entry_end);
      DORVIX_REQUIRE(value.entry_end <= file.text().size());
      DORVIX_REQUIRE(value.entry_begin == 0 || file.text()[value.entry_begin - 1] == '\n');
      values->push_back(Found{path, &value});
    }
    DORVIX_REQUIRE(key->subkey_slots.size() == key->subkeys.size());
    for (const auto& subkey : key->subkeys) {
      DORVIX_REQUIRE(!subkey->name.empty());
      DORVIX_REQUIRE(subkey->name.find('\\') == std::string::npos);
      DORVIX_REQUIRE(key->FindSubkey(subkey->name) == subkey.get());
      pending.push_back({path + "\\" + subkey->name, subkey.get()});
    }
  }
}

bool SameName(const std::string& a, const std::string& b) {
  return dorvix::emulated::NameKey(a) == dorvix::emulated::NameKey(b);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const size_t lines = 1 + static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
  RegFile file;
  try {
    file = RegFile::Parse(text);
  } catch (const RegFileError& error) {
    DORVIX_REQUIRE(error.line >= 1 && error.line <= lines);
    DORVIX_REQUIRE(!error.message.empty());
    return 0;
  }
  DORVIX_REQUIRE(file.text() == text);
  std::vector<std::string> key_paths;
  std::vector<Found> values;
  Walk(file, &key_paths, &values);

  // Edit a few values, each to another type, with bytes of the input as
  // data, and add one value to an existing key and one to a new key.
  const std::string bytes = text.substr(text.size() > 12 ? text.size() - 12 : 0);
  const uint32_t types[] = {dorvix::emulated::kTypeString, dorvix::emulated::kTypeDword,
                            dorvix::emulated::kTypeBinary, 7, 0xFFFFFFFFu};
  std::vector<ValueEdit> edits;
  for (size_t i = 0; i < values.size() && i < 4; ++i) {
    const uint32_t type = types[i % 5];
    std::string new_data = type == dorvix::emulated::kTypeDword ? bytes.substr(0, 4) : bytes;
    if (type == dorvix::emulated::kTypeString && i % 2 == 0) new_data += '\0';
    edits.push_back(ValueEdit{values[i].key_path, values[i].value->name, type, new_data});
  }
  const std::string& some_key = key_paths[bytes.size() % key_paths.size()];
  // A name holds neither a line end nor a NUL.
  std::string name = "added " + bytes;
  name.erase(std::remove_if(name.begin(), name.end(),
                            [](char c) { return c == '\n' || c == '\0'; }),
             name.end());
  edits.push_back(ValueEdit{some_key, name, dorvix::emulated::kTypeString, bytes + '\0'});
  edits.push_back(ValueEdit{"HKEY_CURRENT_USER\\Fresh key", "", 4, "\x01\x02\x03\x04"});

  RegFile edited;
  try {
    edited = RegFile::Parse(file.EditedText(edits));
  } catch (const RegFileError&) {
    DORVIX_BROKEN("the edited file does not read back");
  }
  // Every value reads back with its edit, or unchanged.
  for (const Found& found : values) {
    const RegValue* expected = found.value;
    uint32_t type = expected->type;
    std::string expected_data = expected->data;
    for (const ValueEdit& edit : edits) {
      if (SameName(edit.key_path, found.key_path) && SameName(edit.value_name, expected->name)) {
        type = edit.type;
        expected_data = edit.data;
      }
    }
    const RegKey* key = edited.FindKey(found.key_path);
    DORVIX_REQUIRE(key != nullptr);
    const RegValue* value = key->FindValue(expected->name);
    DORVIX_REQUIRE(value != nullptr);
    DORVIX_REQUIRE(value->name == expected->name);
    DORVIX_REQUIRE(value->type == type);
    DORVIX_REQUIRE(value->data == expected_data);
  }
  for (const ValueEdit& edit : edits) {
    const RegKey* key = edited.FindKey(edit.key_path);
    DORVIX_REQUIRE(key != nullptr);
    const RegValue* value = key->FindValue(edit.value_name);
    DORVIX_REQUIRE(value != nullptr && value->type == edit.type && value->data == edit.data);
  }
  // Keys keep their values in their order; new ones come last.
  std::vector<std::string> edited_paths;
  std::vector<Found> edited_values;
  Walk(edited, &edited_paths, &edited_values);
  for (const std::string& path : key_paths) {
    const RegKey* before = file.FindKey(path);
    const RegKey* after = edited.FindKey(path);
    DORVIX_REQUIRE(after->values.size() >= before->values.size());
    for (size_t i = 0; i < before->values.size(); ++i) {
      DORVIX_REQUIRE(after->values[i].name == before->values[i].name);
    }
  }
  return 0;
}
