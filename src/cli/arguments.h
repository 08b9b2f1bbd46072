// The command line split into arguments by the rules a Windows program of
// this kind has always used: blanks separate pieces, double quotes group
// blanks into a piece and are dropped, and nothing escapes a double quote.
#ifndef DORVIX_CLI_ARGUMENTS_H_
#define DORVIX_CLI_ARGUMENTS_H_

#include <cstdint>
#include <string>
#include <vector>

namespace dorvix {

// Every piece of `line`, the program's name first. The line ends at its first
// NUL byte. No piece is empty and none holds a double quote.
std::vector<std::string> SplitCommandLine(const std::string& line);

// The number of arguments after the program's name.
int32_t ArgumentCount();

// Argument n, counted from 1; the empty string when there is no such
// argument.
std::string ArgumentAt(int32_t n);

}  // namespace dorvix

#endif  // DORVIX_CLI_ARGUMENTS_H_
