// Printer names are compared as Windows compares them for the user: without
// regard to letter case, in the ANSI code page.
#ifndef DORVIX_CATALOGUE_PRINTER_NAME_H_
#define DORVIX_CATALOGUE_PRINTER_NAME_H_

#include <string>

namespace dorvix {

// One name, looked for among many: it is upper-cased once, and each name it
// is compared with is upper-cased into storage kept from one comparison to
// the next, so that going through a catalogue allocates nothing per entry.
class NameMatcher {
 public:
  explicit NameMatcher(const std::string& name);

  // True when the upper-cased `candidate` has the bytes of the upper-cased
  // name. Two empty names are the same; nothing is trimmed.
  bool Matches(const std::string& candidate);

 private:
  std::string wanted_;
  std::string candidate_;
};

}  // namespace dorvix

#endif  // DORVIX_CATALOGUE_PRINTER_NAME_H_
