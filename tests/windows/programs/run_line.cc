// run_line: starts a program with an exact command line, the way a shell
// on Windows starts it, so that the program's GetCommandLineA returns lines
// that no argument vector can express: a quote right after the program's
// name, pairs of quotes, tabs.
//
//   run_line PROGRAM HEX
//
// PROGRAM is the exe to start and HEX its whole command line, two
// hexadecimal digits a byte. The program inherits standard input, output
// and error, and run_line ends with the program's exit status. A failure of
// run_line itself is written to standard error and ends with status 255.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool DecodeHex(const char* hex, std::string* bytes) {
  const size_t length = std::strlen(hex);
  if (length % 2 != 0) return false;
  for (size_t i = 0; i < length; i += 2) {
    const int high = HexDigit(hex[i]);
    const int low = HexDigit(hex[i + 1]);
    if (high < 0 || low < 0) return false;
    *bytes += static_cast<char>(high * 16 + low);
  }
  return true;
}

// A copy of a standard handle that the child can inherit.
HANDLE Inheritable(DWORD which) {
  const HANDLE handle = GetStdHandle(which);
  HANDLE copy = nullptr;
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE ||
      !DuplicateHandle(GetCurrentProcess(), handle, GetCurrentProcess(), &copy, 0,
                       TRUE, DUPLICATE_SAME_ACCESS)) {
    return nullptr;
  }
  return copy;
}

int Fail(const char* what) {
  std::fprintf(stderr, "run_line: %s (error %lu)\n", what,
               static_cast<unsigned long>(GetLastError()));
  return 255;
}

}  // namespace

int main(int argc, char** argv) {
  std::string line;
  if (argc != 3 || !DecodeHex(argv[2], &line)) {
    std::fputs("usage: run_line PROGRAM HEX\n", stderr);
    return 255;
  }
  STARTUPINFOA startup;
  std::memset(&startup, 0, sizeof startup);
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = Inheritable(STD_INPUT_HANDLE);
  startup.hStdOutput = Inheritable(STD_OUTPUT_HANDLE);
  startup.hStdError = Inheritable(STD_ERROR_HANDLE);
  PROCESS_INFORMATION process;
  if (!CreateProcessA(argv[1], &line[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                      &startup, &process)) {
    return Fail("cannot start the program");
  }
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD status = 255;
  if (!GetExitCodeProcess(process.hProcess, &status)) return Fail("no exit status");
  return static_cast<int>(status);
}
