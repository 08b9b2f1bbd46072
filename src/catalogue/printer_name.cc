#include "catalogue/printer_name.h"

#include "platform/upper_case.h"

namespace dorvix {

namespace {

std::string UpperCased(std::string text) {
  UpperCaseAnsi(&text[0], static_cast<uint32_t>(text.size()));
  return text;
}

}  // namespace

bool SameName(const std::string& a, const std::string& b) {
  // Upper-casing never changes a length, so names of different lengths
  // differ without a copy being made.
  if (a.size() != b.size()) return false;
  return UpperCased(a) == UpperCased(b);
}

}  // namespace dorvix
