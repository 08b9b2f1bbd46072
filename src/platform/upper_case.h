// Upper-casing in the system's ANSI code page.
#ifndef DORVIX_PLATFORM_UPPER_CASE_H_
#define DORVIX_PLATFORM_UPPER_CASE_H_

#include <cstdint>

namespace dorvix {

// CharUpperBuffA: upper-cases `length` bytes in place. The length never
// changes.
void UpperCaseAnsi(char* bytes, uint32_t length);

}  // namespace dorvix

#endif  // DORVIX_PLATFORM_UPPER_CASE_H_
