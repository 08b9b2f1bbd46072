// The Windows family of the emulated machine, from the switch that Wine
// honours too: [HKEY_CURRENT_USER\Software\Wine] "Version".
#include "platform/version.h"

#include <string>

#include "platform/emulated/code_page.h"
#include "platform/emulated/machine.h"

namespace dorvix {

namespace {

// GetVersion's words: the build number in the high word, bit 31 set on
// Windows 95, 98 and Me; the minor and major version in the low word.
constexpr uint32_t kWindows95 = 0xC3B60004;
constexpr uint32_t kWindows98 = 0xC0000A04;
constexpr uint32_t kWindowsMe = 0xC0005A04;
constexpr uint32_t kWindows2000 = 0x08930005;

}  // namespace

uint32_t PlatformVersion() {
  const emulated::RegKey* wine = emulated::Registry().FindKey(emulated::kWineKey);
  const emulated::RegValue* version = wine ? wine->FindValue("Version") : nullptr;
  if (version == nullptr || version->type != emulated::kTypeString) return kWindows2000;
  const std::string name = emulated::NameKey(version->data.substr(0, version->data.find('\0')));
  if (name == "WIN95") return kWindows95;
  if (name == "WIN98") return kWindows98;
  if (name == "WINME") return kWindowsMe;
  return kWindows2000;
}

}  // namespace dorvix
