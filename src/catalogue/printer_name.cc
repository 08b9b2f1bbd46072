#include "catalogue/printer_name.h"

#include "platform/upper_case.h"

namespace dorvix {

namespace {

void UpperCase(std::string& text) {
  UpperCaseAnsi(&text[0], static_cast<uint32_t>(text.size()));
}

}  // namespace

NameMatcher::NameMatcher(const std::string& name) : wanted_(name) {
  UpperCase(wanted_);
}

bool NameMatcher::Matches(const std::string& candidate) {
  // Upper-casing never changes a length, so names of different lengths
  // differ without being upper-cased.
  if (candidate.size() != wanted_.size()) return false;
  candidate_.assign(candidate);
  UpperCase(candidate_);
  return candidate_ == wanted_;
}

}  // namespace dorvix
