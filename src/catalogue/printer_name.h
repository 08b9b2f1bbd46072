// Printer names are compared as Windows compares them for the user: without
// regard to letter case, in the ANSI code page.
#ifndef DORVIX_CATALOGUE_PRINTER_NAME_H_
#define DORVIX_CATALOGUE_PRINTER_NAME_H_

#include <string>

namespace dorvix {

// True when the upper-cased copies of `a` and `b` have the same bytes. Two
// empty names are the same; nothing is trimmed.
bool SameName(const std::string& a, const std::string& b);

}  // namespace dorvix

#endif  // DORVIX_CATALOGUE_PRINTER_NAME_H_
