// Reading the registry, in the shape of the Windows ANSI registry calls:
// the caller owns the buffers and says how much of them the registry may use.
#ifndef DORVIX_PLATFORM_REGISTRY_H_
#define DORVIX_PLATFORM_REGISTRY_H_

#include <cstdint>

namespace dorvix {

enum class RootKey { kCurrentUser, kLocalMachine };

struct RegistryKeyHandle;
using RegistryKey = RegistryKeyHandle*;

constexpr uint32_t kKeyAllAccess = 0xF003F;
constexpr uint32_t kRegSz = 1;

constexpr int32_t kErrorSuccess = 0;
constexpr int32_t kErrorMoreData = 234;
constexpr int32_t kErrorNoMoreItems = 259;

// RegOpenKeyExA(root, sub_key, 0, access, key).
int32_t OpenRegistryKey(RootKey root, const char* sub_key, uint32_t access,
                        RegistryKey* key);

// RegEnumValueA. On entry *name_capacity is the room in `name` for the name
// and its NUL, and *data_size the room in `data`; on success they hold the
// name's length without its NUL and the number of data bytes received.
int32_t EnumerateRegistryValue(RegistryKey key, uint32_t index, char* name,
                               uint32_t* name_capacity, uint32_t* type,
                               unsigned char* data, uint32_t* data_size);

// RegEnumKeyExA, without class or last-write time. *name_capacity as above.
int32_t EnumerateRegistrySubkey(RegistryKey key, uint32_t index, char* name,
                                uint32_t* name_capacity);

// RegCloseKey.
void CloseRegistryKey(RegistryKey key);

}  // namespace dorvix

#endif  // DORVIX_PLATFORM_REGISTRY_H_
