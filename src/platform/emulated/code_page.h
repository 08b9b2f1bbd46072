// Windows code page 1252, the ANSI code page of the emulated machine.
#ifndef DORVIX_PLATFORM_EMULATED_CODE_PAGE_H_
#define DORVIX_PLATFORM_EMULATED_CODE_PAGE_H_

#include <string>

namespace dorvix {
namespace emulated {

// The capital of `byte` as CharUpperBuffA gives it on code page 1252: a-z,
// 0xE0-0xFE but 0xF7, and 0x9A, 0x9C, 0x9E, 0xFF; every other byte is
// unchanged.
inline char UpperCaseCp1252(char byte) {
  const unsigned char b = static_cast<unsigned char>(byte);
  if ((b >= 'a' && b <= 'z') || (b >= 0xE0 && b <= 0xFE && b != 0xF7)) {
    return static_cast<char>(b - 0x20);
  }
  switch (b) {
    case 0x9A: return static_cast<char>(0x8A);  // s caron
    case 0x9C: return static_cast<char>(0x8C);  // oe
    case 0x9E: return static_cast<char>(0x8E);  // z caron
    case 0xFF: return static_cast<char>(0x9F);  // y diaeresis
    default: return byte;
  }
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
