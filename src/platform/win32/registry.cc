#include "platform/registry.h"

#include <windows.h>

namespace dorvix {

int32_t OpenRegistryKey(RootKey root, const char* sub_key, uint32_t access,
                        RegistryKey* key) {
  HKEY opened = nullptr;
  const LONG result =
      RegOpenKeyExA(root == RootKey::kCurrentUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE,
                    sub_key, 0, access, &opened);
  *key = reinterpret_cast<RegistryKey>(opened);
  return result;
}

int32_t EnumerateRegistryValue(RegistryKey key, uint32_t index, char* name,
                               uint32_t* name_capacity, uint32_t* type,
                               unsigned char* data, uint32_t* data_size) {
  DWORD name_length = *name_capacity;
  DWORD value_type = 0;
  DWORD size = *data_size;
  const LONG result = RegEnumValueA(reinterpret_cast<HKEY>(key), index, name,
                                    &name_length, nullptr, &value_type, data, &size);
  *name_capacity = name_length;
  *type = value_type;
  *data_size = size;
  return result;
}

int32_t EnumerateRegistrySubkey(RegistryKey key, uint32_t index, char* name,
                                uint32_t* name_capacity) {
  DWORD name_length = *name_capacity;
  FILETIME last_write;
  const LONG result = RegEnumKeyExA(reinterpret_cast<HKEY>(key), index, name,
                                    &name_length, nullptr, nullptr, nullptr, &last_write);
  *name_capacity = name_length;
  return result;
}

void CloseRegistryKey(RegistryKey key) { RegCloseKey(reinterpret_cast<HKEY>(key)); }

}  // namespace dorvix
