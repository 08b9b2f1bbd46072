#include "e2e/cases.h"

#include <dirent.h>

#include <algorithm>
#include <sstream>

namespace dorvix {

const std::string kSourceRoot = DORVIX_SOURCE_ROOT;

std::string Case::Field(const std::string& key) const {
  const auto found = fields.find(key);
  return found == fields.end() ? std::string() : found->second;
}

std::string Case::CommandLine() const {
  return Has("line") ? Field("line") : "dorvix " + Field("command");
}

namespace {

const std::string kCaseFolder = kSourceRoot + "/tests/e2e/cases";

}  // namespace

std::vector<Case> LoadCases() {
  std::vector<Case> cases;
  DIR* dir = opendir(kCaseFolder.c_str());
  if (dir == nullptr) return cases;
  while (dirent* entry = readdir(dir)) {
    const std::string file = entry->d_name;
    if (file.size() < 6 || file.substr(file.size() - 5) != ".case") continue;
    Case c;
    c.name = file.substr(0, file.size() - 5);
    std::istringstream lines(ReadFile(kCaseFolder + "/" + file));
    for (std::string line; std::getline(lines, line);) {
      const size_t colon = line.find(": ");
      if (line.empty() || line[0] == '#' || colon == std::string::npos) continue;
      c.fields[line.substr(0, colon)] = line.substr(colon + 2);
    }
    c.expected_out =
        ReadFile(kCaseFolder + "/" + (c.Has("stdout") ? c.Field("stdout") : c.name + ".out"));
    cases.push_back(c);
  }
  closedir(dir);
  std::sort(cases.begin(), cases.end(),
            [](const Case& a, const Case& b) { return a.name < b.name; });
  return cases;
}

std::string ExpectedOutput(const Case& c, const std::string& field) {
  return c.Has(field) ? ReadFile(kCaseFolder + "/" + c.Field(field)) : c.expected_out;
}

ProcessResult RunOnHost(const Case& c, const std::string& folder,
                        std::string* registry) {
  std::vector<std::string> environment = {"DORVIX_COMMAND_LINE=" + c.CommandLine()};
  registry->clear();
  if (c.Has("registry")) {
    *registry = folder + "/registry.reg";
    WriteFile(*registry, ReadFile(kSourceRoot + "/" + c.Field("registry")));
    environment.push_back("DORVIX_REGISTRY=" + *registry);
  } else {
    environment.push_back("DORVIX_REGISTRY=");
  }
  ProcessOptions options;
  options.environment = environment;
  return RunProcess({DORVIX_PROGRAM}, options);
}

void PrintTo(const Case& c, std::ostream* out) { *out << c.name; }

std::string CaseName(const ::testing::TestParamInfo<Case>& info) {
  std::string name;
  for (char c : info.param.name) name += isalnum(static_cast<unsigned char>(c)) ? c : '_';
  return name;
}

}  // namespace dorvix
