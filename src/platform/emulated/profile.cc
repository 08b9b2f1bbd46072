// The profile of the emulated machine. As on Windows NT, the "windows"
// section of the user's profile lives in the registry, under
// [HKEY_CURRENT_USER\Software\Microsoft\Windows NT\CurrentVersion\Windows].
#include "platform/profile.h"

#include <string>
#include <vector>

#include "platform/emulated/code_page.h"
#include "platform/emulated/machine.h"

namespace dorvix {

namespace {

// The name of the value that holds a key of the section. A value that
// exists in any letter case keeps its spelling; Windows NT spells the
// default printer's entry "Device".
std::string ValueName(const emulated::RegFile& registry, const std::string& key) {
  const emulated::RegKey* section = registry.FindKey(emulated::kWindowsKey);
  const emulated::RegValue* value = section ? section->FindValue(key) : nullptr;
  if (value != nullptr) return value->name;
  return emulated::NameKey(key) == "DEVICE" ? "Device" : key;
}

}  // namespace

bool WriteProfileEntry(const char* section, const char* key, const char* value) {
  emulated::TraceCall(std::string("WriteProfileStringA(") + section + ", " + key +
                      ", " + value + ")");
  if (emulated::CallFails("WriteProfileStringA")) return false;
  if (emulated::NameKey(section) != "WINDOWS") return false;
  const std::string data = std::string(value) + '\0';
  return emulated::CommitRegistryChange(
      [&](const emulated::RegFile& current, std::vector<emulated::ValueEdit>* edits) {
        edits->push_back(emulated::ValueEdit{emulated::kWindowsKey, ValueName(current, key),
                                             emulated::kTypeString, data});
        return true;
      });
}

intptr_t SendWindowMessage(uintptr_t window, uint32_t message, uintptr_t wparam,
                           intptr_t lparam) {
  // No windows on this machine: the broadcast is only recorded.
  emulated::TraceCall("SendMessageA(" + std::to_string(window) + ", " +
                      std::to_string(message) + ", " + std::to_string(wparam) +
                      ", " + std::to_string(lparam) + ")");
  return 0;
}

}  // namespace dorvix
