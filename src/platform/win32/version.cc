#include "platform/version.h"

#include <windows.h>

namespace dorvix {

uint32_t PlatformVersion() { return GetVersion(); }

}  // namespace dorvix
