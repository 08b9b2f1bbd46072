// A throwaway Wine prefix for one run of the tests, served by one warm
// wineserver from the first Wine program to the last, so that each program
// starts in a fraction of a second.
//
// Every Wine program runs with
//   WINEDEBUG=-all          Wine's own diagnostics off: standard error holds
//                           only what the program writes
//   LC_ALL=C.UTF-8          Wine takes this locale for U.S. English: ANSI
//                           code page 1252, the code page of the fixtures,
//                           and OEM code page 437
//   WINEDLLOVERRIDES=mscoree,mshtml=   no offer to install Mono or Gecko
//   DISPLAY unset           no window on any screen
// and a time-out: a Wine program that hangs fails its test, not the run.
#ifndef DORVIX_TESTS_WINDOWS_WINE_H_
#define DORVIX_TESTS_WINDOWS_WINE_H_

#include <string>
#include <vector>

#include "e2e/run_process.h"

namespace dorvix {

class WinePrefix {
 public:
  // Creates the prefix in a new folder under /tmp, starts its wineserver and
  // boots it. False, with the reason in *error, when that fails.
  bool Start(std::string* error);

  // Ends every Wine process of the prefix, the wineserver last, and removes
  // the prefix's folder. Should this process end without it, a watcher
  // started with the prefix does it.
  void Stop();

  // Runs `wine64 ARGS...` and collects what it writes.
  ProcessResult Run(const std::vector<std::string>& args,
                    ProcessOptions options = ProcessOptions()) const;

  // Imports a REGEDIT4 file with Wine's regedit. False, with the reason in
  // *error, when it fails.
  bool ImportRegistry(const std::string& reg_file, std::string* error) const;

  // The folder of the run: the prefix and the files the tests write.
  const std::string& folder() const { return folder_; }

  // A path of this machine as the Windows programs see it, on drive Z:.
  static std::string WindowsPath(const std::string& unix_path);

 private:
  void WatchOver();
  std::vector<std::string> Environment() const;
  ProcessResult Server(const std::string& option, double timeout_seconds) const;

  std::string folder_;
  std::string prefix_;
  bool server_started_ = false;
  int watch_pipe_ = -1;  // the watcher's pipe, see WatchOver()
};

}  // namespace dorvix

#endif  // DORVIX_TESTS_WINDOWS_WINE_H_
