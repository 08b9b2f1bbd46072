#include "platform/upper_case.h"

#include "platform/emulated/code_page.h"

namespace dorvix {

void UpperCaseAnsi(char* bytes, uint32_t length) {
  for (uint32_t i = 0; i < length; ++i) bytes[i] = emulated::UpperCaseCp1252(bytes[i]);
}

}  // namespace dorvix
