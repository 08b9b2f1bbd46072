#include "catalogue/catalogue.h"

#include <cstring>

#include "platform/registry.h"
#include "platform/version.h"

namespace dorvix {

std::vector<std::string> PrinterNames;
std::vector<std::string> DeviceEntries;
int32_t PrinterCount = 0;

namespace {

constexpr char kDevicesKey[] =
    "Software\\Microsoft\\Windows NT\\CurrentVersion\\Devices";
constexpr char kPrintersKey[] = "System\\CurrentControlSet\\Control\\Print\\Printers";

// A name is received into 101 bytes of which the registry is offered 100, its
// NUL included: the longest name taken is 99 bytes.
constexpr uint32_t kNameBufferSize = 101;
constexpr uint32_t kNameCapacity = 100;
// A device entry is received into 256 bytes of which the registry is offered
// 254: the longest entry taken is 253 bytes and its NUL.
constexpr uint32_t kDataBufferSize = 256;
constexpr uint32_t kDataCapacity = 254;

// Errors other than "too long" that the NT enumeration skips before it gives
// up: a key deleted while it is read fails at every index, for ever. A key
// that is read normally never fails this way, so no value is lost to the
// bound.
constexpr int kMaxConsecutiveFailures = 16;

// Closes a key however its enumeration is left.
class OpenKey {
 public:
  explicit OpenKey(RegistryKey key) : key_(key) {}
  ~OpenKey() { CloseRegistryKey(key_); }
  OpenKey(const OpenKey&) = delete;
  OpenKey& operator=(const OpenKey&) = delete;
  RegistryKey get() const { return key_; }

 private:
  RegistryKey key_;
};

// The bytes before the first NUL among the `size` received ones. Data stored
// without a NUL yields what the registry delivered, never what the buffer
// held before.
std::string BytesUpToNul(const char* bytes, size_t size) {
  const void* nul = std::memchr(bytes, '\0', size);
  return std::string(bytes, nul ? static_cast<const char*>(nul) - bytes : size);
}

void LoadFromDevicesValues() {
  RegistryKey handle = nullptr;
  if (OpenRegistryKey(RootKey::kCurrentUser, kDevicesKey, kKeyAllAccess,
                      &handle) != kErrorSuccess) {
    return;
  }
  OpenKey key(handle);
  char name[kNameBufferSize];
  unsigned char data[kDataBufferSize];
  int failures = 0;
  for (uint32_t index = 0;; ++index) {
    uint32_t name_capacity = kNameCapacity;
    uint32_t data_size = kDataCapacity;
    uint32_t type = 0;
    const int32_t result = EnumerateRegistryValue(
        key.get(), index, name, &name_capacity, &type, data, &data_size);
    if (result == kErrorNoMoreItems) break;
    if (result != kErrorSuccess) {
      // Too long a name or datum leaves that value out; so does any other
      // failure, until too many come in a row.
      if (result == kErrorMoreData) {
        failures = 0;
      } else if (++failures >= kMaxConsecutiveFailures) {
        break;
      }
      continue;
    }
    failures = 0;
    if (type != kRegSz) continue;
    PrinterNames.push_back(
        BytesUpToNul(name, name_capacity < kNameCapacity ? name_capacity : kNameCapacity));
    DeviceEntries.push_back(
        BytesUpToNul(reinterpret_cast<const char*>(data),
                     data_size < kDataCapacity ? data_size : kDataCapacity));
  }
}

void LoadFromPrintersSubkeys() {
  RegistryKey handle = nullptr;
  if (OpenRegistryKey(RootKey::kLocalMachine, kPrintersKey, kKeyAllAccess,
                      &handle) != kErrorSuccess) {
    return;
  }
  OpenKey key(handle);
  char name[kNameBufferSize];
  for (uint32_t index = 0;; ++index) {
    uint32_t name_capacity = kNameCapacity;
    // Any failure ends the enumeration, a name that does not fit included:
    // the subkeys after it are not read.
    if (EnumerateRegistrySubkey(key.get(), index, name, &name_capacity) !=
        kErrorSuccess) {
      break;
    }
    PrinterNames.push_back(
        BytesUpToNul(name, name_capacity < kNameCapacity ? name_capacity : kNameCapacity));
  }
}

void FreeList(std::vector<std::string>& list) {
  std::vector<std::string>().swap(list);
}

}  // namespace

void LoadPrinterCatalogue() {
  if (IsNtFamily()) {
    LoadFromDevicesValues();
  } else {
    LoadFromPrintersSubkeys();
  }
  PrinterCount = static_cast<int32_t>(PrinterNames.size());
}

CatalogueLifetime::CatalogueLifetime() {
  FreeList(PrinterNames);
  FreeList(DeviceEntries);
  PrinterCount = 0;
}

CatalogueLifetime::~CatalogueLifetime() {
  FreeList(PrinterNames);
  FreeList(DeviceEntries);
  PrinterCount = 0;
}

}  // namespace dorvix
