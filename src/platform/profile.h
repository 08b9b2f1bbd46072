// The user's profile and the broadcast that tells windows it changed.
#ifndef DORVIX_PLATFORM_PROFILE_H_
#define DORVIX_PLATFORM_PROFILE_H_

#include <cstdint>

namespace dorvix {

constexpr uintptr_t kHwndBroadcast = 0xFFFF;
constexpr uint32_t kWmWininichange = 0x001A;

// WriteProfileStringA: sets `key` of `section` to `value`. False when the
// profile could not be written.
bool WriteProfileEntry(const char* section, const char* key,
                       const char* value);

// SendMessageA: returns once every receiver has handled the message.
intptr_t SendWindowMessage(uintptr_t window, uint32_t message,
                           uintptr_t wparam, intptr_t lparam);

}  // namespace dorvix

#endif  // DORVIX_PLATFORM_PROFILE_H_
