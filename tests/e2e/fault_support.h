// What the fault tests share: the program run on a registry file, files and
// folders made for one test, and registries made to measure.
#ifndef DORVIX_TESTS_E2E_FAULT_SUPPORT_H_
#define DORVIX_TESTS_E2E_FAULT_SUPPORT_H_

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "e2e/files.h"
#include "e2e/run_process.h"

namespace dorvix {
namespace faults {

// Runs dorvix on the raw command line `line` ("dorvix /l") with the
// registry file `registry` (empty: no registry).
ProcessResult RunDorvix(const std::string& line, const std::string& registry,
                        ProcessOptions options = ProcessOptions());

// Runs `argv` after the program's path, with the registry file `registry`.
ProcessResult RunDorvixArgv(const std::vector<std::string>& argv,
                            const std::string& registry,
                            ProcessOptions options = ProcessOptions());

// NT: the Devices key with the given names and device entries, then the
// profile's "windows" section holding "Device" and two more values.
std::string NtRegistry(const std::vector<std::string>& names,
                       const std::vector<std::string>& entries,
                       const std::string& device = "None,winspool,Ne99:");

// Windows 98: the printer keys with their ports and attributes.
std::string Win98Registry(const std::vector<std::string>& names,
                          const std::vector<unsigned>& attributes);

// The listing of a catalogue whose entries have these names, with the
// excluded name at none of them.
std::string Listing(const std::vector<std::string>& names);

// True when the process ran to its end with `status`, wrote nothing to
// standard error and was not ended by a signal or the time-out.
::testing::AssertionResult EndedWith(const ProcessResult& result, int status);

}  // namespace faults
}  // namespace dorvix

#endif  // DORVIX_TESTS_E2E_FAULT_SUPPORT_H_
