#include "catalogue/listing.h"

#include <string>

#include "catalogue/catalogue.h"
#include "catalogue/printer_name.h"
#include "platform/console.h"

namespace dorvix {

namespace {

// Listed among the printers on some systems, but no printer to print on.
const char kExcludedName[] = "Rendering Subsystem";

}  // namespace

void ListPrinters() {
  WriteStandardOutput("\r\n");
  WriteStandardOutput("No: Printer Name\r\n");
  // The rule has no line end: in an 80-column console its last dash fills
  // the row and the console wraps.
  WriteStandardOutput(std::string(80, '-'));
  const int32_t count = PrinterCount;
  NameMatcher excluded(kExcludedName);
  std::string line;  // its storage serves every line
  for (int32_t index = 0; index < count; ++index) {
    const std::string& name = PrinterNames[static_cast<size_t>(index)];
    if (excluded.Matches(name)) continue;
    line.assign(" ");
    line += std::to_string(index);
    line += ": ";
    line += name;
    line += "\r\n";
    WriteStandardOutput(line);
  }
}

}  // namespace dorvix
