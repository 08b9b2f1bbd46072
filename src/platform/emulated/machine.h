// The emulated Windows machine behind the platform headers on hosts other
// than Windows. Its registry is a REGEDIT4 file named by DORVIX_REGISTRY
// (unset: an empty registry), read at the first registry call; changes are
// written back to the file at once. The Windows family is the one that
// Wine's own switch names: the value "Version" of
// [HKEY_CURRENT_USER\Software\Wine], where "win95", "win98" and "winme" mean
// Windows 95, 98 and Me and anything else, or nothing, the NT family.
//
// The functions below let tests drive the machine from inside the process.
#ifndef DORVIX_PLATFORM_EMULATED_MACHINE_H_
#define DORVIX_PLATFORM_EMULATED_MACHINE_H_

#include <functional>
#include <string>
#include <vector>

#include "platform/emulated/reg_file.h"

namespace dorvix {
namespace emulated {

// The keys that mean something on this machine, from their roots: the NT
// printers, the profile's "windows" section as Windows NT keeps it, the
// Windows 95/98/Me spooler's printers, and Wine's switch of the family.
constexpr char kDevicesKey[] =
    "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Devices";
constexpr char kWindowsKey[] =
    "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows";
constexpr char kPrintersKey[] =
    "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\Print\\Printers";
constexpr char kWineKey[] = "HKEY_CURRENT_USER\\Software\\Wine";

// The registry, read from its file at the first call. Raises
// PlatformFailure (kRegistry) when the file is missing, unreadable or
// malformed.
const RegFile& Registry();

// A change to the registry, worked out from the registry as it is when the
// change is made: another process may have changed the file since this one
// read it. Fills the edits to make; false refuses the change.
using RegistryChange = std::function<bool(const RegFile& current, std::vector<ValueEdit>* edits)>;

// Makes the change and writes the registry back to its file, holding every
// other writer of the file off from reading it to replacing it. False, with
// the file untouched, when the change is refused or the file cannot be
// written. Without a file the registry lives in memory only.
bool CommitRegistryChange(const RegistryChange& change);

// A record of a platform call, kept while tracing is on.
void TraceCall(const std::string& call);

// True when a test has told the named call to fail.
bool CallFails(const std::string& call);

// ---- for tests ----

// A new machine: an empty registry in memory, the command line "dorvix",
// output to the real standard output, no trace and no failing calls.
void ResetMachine();
// The registry from text, kept in memory only.
void LoadRegistryText(const std::string& text);
// The registry from a file, as DORVIX_REGISTRY would name it.
void UseRegistryFile(const std::string& path);
void SetCommandLine(const std::string& line);
// Collects standard output in `sink` instead of writing it.
void CaptureStandardOutput(std::string* sink);
// Makes standard output fail once `bytes` more bytes have been written.
void FailStandardOutputAfter(size_t bytes);
// The calls made since tracing started.
void StartTrace();
const std::vector<std::string>& Trace();
// Makes every later call of the named platform operation fail, as Windows
// would report it ("RegEnumValueA", "WriteProfileStringA", "OpenPrinterA",
// "GetPrinterA", "SetPrinterA").
void FailCall(const std::string& call);

}  // namespace emulated
}  // namespace dorvix

#endif  // DORVIX_PLATFORM_EMULATED_MACHINE_H_
