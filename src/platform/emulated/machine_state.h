// The emulated machine's state, shared by the platform operations that
// stand in for Windows on this host.
#ifndef DORVIX_PLATFORM_EMULATED_MACHINE_STATE_H_
#define DORVIX_PLATFORM_EMULATED_MACHINE_STATE_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/emulated/reg_file.h"

namespace dorvix {
namespace emulated {

struct MachineState {
  // The registry, once read; `registry_path` empty keeps it in memory only.
  std::unique_ptr<RegFile> registry;
  bool registry_path_known = false;
  std::string registry_path;
  // Counts replacements of `registry`, so that open keys find their key
  // again after a change.
  uint64_t registry_generation = 0;

  bool command_line_set = false;
  std::string command_line;

  std::string* output_sink = nullptr;
  bool output_limited = false;
  size_t output_budget = 0;

  bool tracing = false;
  std::vector<std::string> trace;
  std::set<std::string> failing_calls;
};

MachineState& State();

}  // namespace emulated
}  // namespace dorvix

#endif  // DORVIX_PLATFORM_EMULATED_MACHINE_STATE_H_
