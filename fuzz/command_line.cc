// Any bytes as the process's command line: the splitting, the argument
// numbering and the dispatcher's classification, then the whole program on
// an empty registry.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "cli/arguments.h"
#include "cli/dispatcher.h"
#include "platform/emulated/machine.h"
#include "property.h"

namespace {

using dorvix::Request;

bool IsRequest(Request request) {
  switch (request) {
    case Request::kUsage:
    case Request::kList:
    case Request::kSwitch:
    case Request::kParameterError:
    case Request::kTooManyArguments:
      return true;
  }
  return false;
}

// What the program writes for each request on an empty registry.
std::string ExpectedOutput(Request request, const std::vector<std::string>& pieces) {
  switch (request) {
    case Request::kUsage:
      return dorvix::kUsageText;
    case Request::kList:
      return "\r\nNo: Printer Name\r\n" + std::string(80, '-');
    case Request::kSwitch:
      return "Printer '" + pieces[2] + "' not found.\r\n";
    case Request::kParameterError:
      return "Parameter error.\r\n";
    case Request::kTooManyArguments:
      return "Too much parameters.\r\n";
  }
  return std::string();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string line(reinterpret_cast<const char*>(data), size);
  const std::vector<std::string> pieces = dorvix::SplitCommandLine(line);

  // No piece is empty or holds a double quote or a NUL, and together they
  // never hold more bytes than the line up to its first NUL.
  size_t total = 0;
  for (const std::string& piece : pieces) {
    DORVIX_REQUIRE(!piece.empty());
    DORVIX_REQUIRE(piece.find('"') == std::string::npos);
    DORVIX_REQUIRE(piece.find('\0') == std::string::npos);
    total += piece.size();
  }
  DORVIX_REQUIRE(total <= std::min(line.find('\0'), line.size()));

  // Each piece quoted again, the pieces joined by blanks, gives them back.
  std::string rebuilt;
  for (const std::string& piece : pieces) rebuilt += "\t\"" + piece + "\" ";
  DORVIX_REQUIRE(dorvix::SplitCommandLine(rebuilt) == pieces);

  // The arguments are the pieces after the program's name.
  dorvix::emulated::ResetMachine();
  std::string output;
  dorvix::emulated::CaptureStandardOutput(&output);
  dorvix::emulated::SetCommandLine(line);
  const int32_t count = dorvix::ArgumentCount();
  DORVIX_REQUIRE(count == (pieces.empty() ? 0 : static_cast<int32_t>(pieces.size() - 1)));
  for (int32_t n = 1; n <= count && n <= 4; ++n) {
    DORVIX_REQUIRE(dorvix::ArgumentAt(n) == pieces[static_cast<size_t>(n)]);
  }
  DORVIX_REQUIRE(dorvix::ArgumentAt(0).empty());
  DORVIX_REQUIRE(dorvix::ArgumentAt(count + 1).empty());

  // Every line is one of the requests, decided by the count and the first
  // two bytes of argument 1 alone.
  const std::string first = count > 0 ? pieces[1] : std::string();
  const Request request = dorvix::ClassifyRequest(count, first);
  DORVIX_REQUIRE(IsRequest(request));
  DORVIX_REQUIRE(dorvix::ClassifyRequest(count, first.substr(0, 2)) == request);
  if (count == 0) DORVIX_REQUIRE(request == Request::kUsage);
  DORVIX_REQUIRE((count >= 3) == (request == Request::kTooManyArguments));
  if (request == Request::kList) DORVIX_REQUIRE(count == 1);
  if (request == Request::kSwitch) DORVIX_REQUIRE(count == 2);
  if (count > 0 && first[0] != '/' && first[0] != '-') {
    DORVIX_REQUIRE(request == Request::kParameterError ||
                   request == Request::kTooManyArguments);
  }

  // The program writes exactly the text of that request and ends with 0.
  DORVIX_REQUIRE(dorvix::RunProgram() == 0);
  DORVIX_REQUIRE(output == ExpectedOutput(request, pieces));
  dorvix::emulated::CaptureStandardOutput(nullptr);
  return 0;
}
