// Which Windows family the program runs on.
#ifndef DORVIX_PLATFORM_VERSION_H_
#define DORVIX_PLATFORM_VERSION_H_

#include <cstdint>

namespace dorvix {

// GetVersion: the platform's version word.
uint32_t PlatformVersion();

// NT 4.0 and 2000 clear bit 31 of the version word; Windows 95, 98 and Me set
// it. Asked afresh at every call: nothing is remembered.
inline bool IsNtFamily() { return (PlatformVersion() & 0x80000000u) == 0; }

}  // namespace dorvix

#endif  // DORVIX_PLATFORM_VERSION_H_
