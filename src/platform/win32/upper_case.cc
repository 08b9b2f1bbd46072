#include "platform/upper_case.h"

#include <windows.h>

namespace dorvix {

void UpperCaseAnsi(char* bytes, uint32_t length) { CharUpperBuffA(bytes, length); }

}  // namespace dorvix
