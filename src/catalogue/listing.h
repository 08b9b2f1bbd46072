// The list request: the catalogue printed for the reader.
#ifndef DORVIX_CATALOGUE_LISTING_H_
#define DORVIX_CATALOGUE_LISTING_H_

namespace dorvix {

// Writes an empty line, the heading, a rule of 80 dashes with no line end,
// then " <index>: <name>" and CR LF for every catalogue entry except the
// spooler's own "Rendering Subsystem" entry, whose index is skipped.
void ListPrinters();

}  // namespace dorvix

#endif  // DORVIX_CATALOGUE_LISTING_H_
