#include "platform/profile.h"

#include <windows.h>

namespace dorvix {

bool WriteProfileEntry(const char* section, const char* key, const char* value) {
  return WriteProfileStringA(section, key, value) != 0;
}

intptr_t SendWindowMessage(uintptr_t window, uint32_t message, uintptr_t wparam,
                           intptr_t lparam) {
  return SendMessageA(reinterpret_cast<HWND>(window), message, wparam, lparam);
}

}  // namespace dorvix
