// Windows code page 1252, the ANSI code page of the emulated machine.
#ifndef DORVIX_PLATFORM_EMULATED_CODE_PAGE_H_
#define DORVIX_PLATFORM_EMULATED_CODE_PAGE_H_

#include <string>

namespace dorvix {
namespace emulated {

// The capital of every byte as CharUpperBuffA gives it on code page 1252:
// a-z, 0xE0-0xFE but 0xF7, and 0x9A, 0x9C, 0x9E, 0xFF; every other byte is
// unchanged. A table, so that upper-casing a name is one look-up a byte.
struct Cp1252Capitals {
  unsigned char of[256];

  constexpr Cp1252Capitals() : of() {
    for (int b = 0; b < 256; ++b) {
      int capital = b;
      if ((b >= 'a' && b <= 'z') || (b >= 0xE0 && b <= 0xFE && b != 0xF7)) capital = b - 0x20;
      if (b == 0x9A) capital = 0x8A;  // s caron
      if (b == 0x9C) capital = 0x8C;  // oe
      if (b == 0x9E) capital = 0x8E;  // z caron
      if (b == 0xFF) capital = 0x9F;  // y diaeresis
      of[b] = static_cast<unsigned char>(capital);
    }
  }
};

inline constexpr Cp1252Capitals kCp1252Capitals;

inline char UpperCaseCp1252(char byte) {
  return static_cast<char>(kCp1252Capitals.of[static_cast<unsigned char>(byte)]);
}

// Registry names match without regard to case: this is the key they are
// looked up by.
inline std::string NameKey(const std::string& name) {
  std::string key = name;
  for (char& byte : key) byte = UpperCaseCp1252(byte);
  return key;
}

}  // namespace emulated
}  // namespace dorvix

#endif  // DORVIX_PLATFORM_EMULATED_CODE_PAGE_H_
