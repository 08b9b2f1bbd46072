#include "cli/arguments.h"

#include "platform/command_line.h"

namespace dorvix {

namespace {

// Every byte from 1 to 32 separates pieces, control characters included.
bool IsBlank(unsigned char byte) { return byte >= 1 && byte <= 32; }

}  // namespace

std::vector<std::string> SplitCommandLine(const std::string& line) {
  const char* const text = line.c_str();  // the line ends at its first NUL
  std::vector<std::string> pieces;
  size_t pos = 0;
  for (;;) {
    // Blanks and pairs of double quotes before a piece give nothing.
    for (;;) {
      if (IsBlank(static_cast<unsigned char>(text[pos]))) {
        ++pos;
      } else if (text[pos] == '"' && text[pos + 1] == '"') {
        pos += 2;
      } else {
        break;
      }
    }
    std::string piece;
    while (text[pos] != '\0' && !IsBlank(static_cast<unsigned char>(text[pos]))) {
      if (text[pos] != '"') {
        piece += text[pos++];
        continue;
      }
      // A quoted stretch runs to the next double quote, or to the end of the
      // line when none follows; both quotes are dropped.
      ++pos;
      while (text[pos] != '\0' && text[pos] != '"') piece += text[pos++];
      if (text[pos] == '"') ++pos;
    }
    // Only the end of the line yields an empty piece, and it ends the list.
    if (piece.empty()) return pieces;
    pieces.push_back(std::move(piece));
  }
}

int32_t ArgumentCount() {
  const size_t pieces = SplitCommandLine(ProcessCommandLine()).size();
  return pieces == 0 ? 0 : static_cast<int32_t>(pieces - 1);
}

std::string ArgumentAt(int32_t n) {
  std::vector<std::string> pieces = SplitCommandLine(ProcessCommandLine());
  if (n < 1 || static_cast<size_t>(n) >= pieces.size()) return std::string();
  return std::move(pieces[static_cast<size_t>(n)]);
}

}  // namespace dorvix
