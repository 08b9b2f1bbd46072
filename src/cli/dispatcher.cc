#include "cli/dispatcher.h"

#include <exception>
#include <new>

#include "catalogue/catalogue.h"
#include "catalogue/listing.h"
#include "cli/arguments.h"
#include "platform/console.h"
#include "platform/failure.h"
#include "platform/upper_case.h"
#include "switch/default_printer.h"

namespace dorvix {

const char kUsageText[] =
    "Sets windows' default printer. Version 0.2 for Windows 95/98/Me/NT4.0/2000\r\n"
    "\r\n"
    "Usage:\r\n"
    "\r\n"
    "  dorvix [/l] [/s PrinterName]\r\n"
    "\r\n"
    "  /l\tLists printer names installed to the computer.\r\n"
    "  /s\tSets windows' default printer. Specify a valid printer name.\r\n"
    "\r\n"
    "    \t(ex)  dorvix /s \"My Printer\"\r\n"
    "\r\n"
    "    \tQuote the whole printer name with \"\" when it includes white spaces.\r\n";

namespace {

const char kParameterError[] = "Parameter error.\r\n";
const char kTooManyArguments[] = "Too much parameters.\r\n";

bool IsOptionMark(char byte) { return byte == '/' || byte == '-'; }

char UpperCasedByte(char byte) {
  UpperCaseAnsi(&byte, 1);
  return byte;
}

}  // namespace

Request ClassifyRequest(int32_t argument_count, const std::string& first) {
  if (argument_count == 0) return Request::kUsage;
  if (argument_count >= 3) return Request::kTooManyArguments;
  if (first.empty() || !IsOptionMark(first[0])) return Request::kParameterError;
  // A one-byte argument has no second byte and names no option.
  if (first.size() < 2) return Request::kParameterError;
  const char option = first[1];
  if (argument_count == 1) {
    if (UpperCasedByte(option) == 'H' || option == '?') return Request::kUsage;
    if (UpperCasedByte(option) == 'L') return Request::kList;
    return Request::kParameterError;
  }
  return option == 'S' || option == 's' ? Request::kSwitch
                                        : Request::kParameterError;
}

void RunDispatcher() {
  const int32_t count = ArgumentCount();
  const Request request =
      ClassifyRequest(count, count > 0 ? ArgumentAt(1) : std::string());
  switch (request) {
    case Request::kUsage:
      WriteStandardOutput(kUsageText);
      return;
    case Request::kParameterError:
      WriteStandardOutput(kParameterError);
      return;
    case Request::kTooManyArguments:
      WriteStandardOutput(kTooManyArguments);
      return;
    case Request::kList:
    case Request::kSwitch: {
      CatalogueLifetime catalogue;
      LoadPrinterCatalogue();
      if (request == Request::kList) {
        ListPrinters();
      } else {
        SetDefaultPrinter();
      }
      return;
    }
  }
}

namespace {

// Writes a failure report, `heading` and `detail`, after what the request
// wrote before it failed. The report is put together here, inside the
// guard: when even that finds no memory, or standard output fails, nothing
// more is attempted and the status is still 1.
int ReportFailure(const char* heading, const char* detail) {
  try {
    WriteStandardOutput(std::string(heading) + detail + "\r\n");
    FinishStandardOutput();
  } catch (...) {
  }
  return 1;
}

}  // namespace

int RunProgram() {
  try {
    RunDispatcher();
    FinishStandardOutput();
    return 0;
  } catch (const PlatformFailure& failure) {
    if (failure.kind() == FailureKind::kOutput) return 1;
    return ReportFailure("Registry error: ", failure.message().c_str());
  } catch (const std::bad_alloc&) {
    return ReportFailure("Out of memory.", "");
  } catch (const std::exception& failure) {
    return ReportFailure("Error: ", failure.what());
  }
}

}  // namespace dorvix
