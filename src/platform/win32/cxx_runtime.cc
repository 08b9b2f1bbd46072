// The few functions of the C++ run-time library that the program reaches
// only when something has gone wrong, as dorvix.exe carries them: smaller
// than libstdc++'s own, and writing nothing to standard error.
//
// libstdc++'s versions raise its std::logic_error family, whose strings
// bring a second string implementation and a printf along, and its default
// terminate handler names the exception's type with the symbol demangler
// on standard error. Together they were three quarters of the exe. Linked
// statically, a definition here takes the place of the library's; should
// the library's file be pulled in all the same, the link fails on the
// symbols defined twice, never silently.
#include <windows.h>

#include <exception>
#include <new>

namespace {

// A request the library refuses: a position past the end of a string, a
// string longer than any string can be. The program's top level reports it
// with its message, as it reports std::logic_error.
class LibraryRefusal : public std::exception {
 public:
  explicit LibraryRefusal(const char* message) : message_(message) {}
  const char* what() const noexcept override { return message_; }

 private:
  const char* message_;
};

}  // namespace

namespace std {

void __throw_bad_alloc() { throw bad_alloc(); }

void __throw_bad_array_new_length() { throw bad_array_new_length(); }

void __throw_length_error(const char* message) { throw LibraryRefusal(message); }

void __throw_logic_error(const char* message) { throw LibraryRefusal(message); }

// The message is the format, its numbers not filled in.
void __throw_out_of_range_fmt(const char* format, ...) { throw LibraryRefusal(format); }

}  // namespace std

namespace __gnu_cxx {

// Called for an exception that nothing catches, which the program's top
// level never lets happen: the process ends with the status abort() gives,
// without abort()'s message on standard error.
void __verbose_terminate_handler() { ExitProcess(3); }

}  // namespace __gnu_cxx
