// The registry calls on the emulated machine's registry file.
#include "platform/registry.h"

#include <cstring>
#include <string>

#include "platform/emulated/machine.h"
#include "platform/emulated/machine_state.h"

namespace dorvix {

// An open key remembers its path, so that it finds its key again when a
// change has replaced the registry, or learns that the key is gone.
struct RegistryKeyHandle {
  std::string path;
  uint64_t generation;
  const emulated::RegKey* key;
};

namespace {

constexpr int32_t kErrorFileNotFound = 2;
constexpr int32_t kErrorKeyDeleted = 1018;

const char* RootName(RootKey root) {
  return root == RootKey::kCurrentUser ? "HKEY_CURRENT_USER" : "HKEY_LOCAL_MACHINE";
}

// The calls made once per value or subkey build their trace only while
// tracing is on: an enumeration costs no text per index.
bool Tracing() { return emulated::State().tracing; }

const emulated::RegKey* Resolve(RegistryKeyHandle* handle) {
  const emulated::MachineState& state = emulated::State();
  if (handle->generation != state.registry_generation) {
    handle->key = emulated::Registry().FindKey(handle->path);
    handle->generation = state.registry_generation;
  }
  return handle->key;
}

// Copies a name and its NUL when it fits the capacity offered, as Windows
// does; otherwise ERROR_MORE_DATA.
int32_t CopyName(const std::string& name, char* buffer, uint32_t* capacity) {
  if (name.size() + 1 > *capacity) return kErrorMoreData;
  std::memcpy(buffer, name.c_str(), name.size() + 1);
  *capacity = static_cast<uint32_t>(name.size());
  return kErrorSuccess;
}

}  // namespace

int32_t OpenRegistryKey(RootKey root, const char* sub_key, uint32_t access,
                        RegistryKey* key) {
  const std::string path = std::string(RootName(root)) + "\\" + sub_key;
  emulated::TraceCall("RegOpenKeyExA(" + path + ", access " + std::to_string(access) + ")");
  const emulated::RegKey* found = emulated::Registry().FindKey(path);
  if (found == nullptr) return kErrorFileNotFound;
  *key = new RegistryKeyHandle{path, emulated::State().registry_generation, found};
  return kErrorSuccess;
}

int32_t EnumerateRegistryValue(RegistryKey key, uint32_t index, char* name,
                               uint32_t* name_capacity, uint32_t* type,
                               unsigned char* data, uint32_t* data_size) {
  if (Tracing()) {
    emulated::TraceCall("RegEnumValueA(" + std::to_string(index) + ", name " +
                        std::to_string(*name_capacity) + ", data " +
                        std::to_string(*data_size) + ")");
  }
  const emulated::RegKey* found = Resolve(key);
  if (found == nullptr || emulated::CallFails("RegEnumValueA")) return kErrorKeyDeleted;
  if (index >= found->values.size()) return kErrorNoMoreItems;
  const emulated::RegValue& value = found->values[index];
  if (value.data.size() > *data_size) return kErrorMoreData;
  const int32_t result = CopyName(value.name, name, name_capacity);
  if (result != kErrorSuccess) return result;
  *type = value.type;
  std::memcpy(data, value.data.data(), value.data.size());
  *data_size = static_cast<uint32_t>(value.data.size());
  return kErrorSuccess;
}

int32_t EnumerateRegistrySubkey(RegistryKey key, uint32_t index, char* name,
                                uint32_t* name_capacity) {
  if (Tracing()) {
    emulated::TraceCall("RegEnumKeyExA(" + std::to_string(index) + ", name " +
                        std::to_string(*name_capacity) + ")");
  }
  const emulated::RegKey* found = Resolve(key);
  if (found == nullptr || emulated::CallFails("RegEnumKeyExA")) return kErrorKeyDeleted;
  if (index >= found->subkeys.size()) return kErrorNoMoreItems;
  return CopyName(found->subkeys[index]->name, name, name_capacity);
}

void CloseRegistryKey(RegistryKey key) {
  emulated::TraceCall("RegCloseKey");
  delete key;
}

}  // namespace dorvix
