#include "e2e/files.h"

#include <dirent.h>
#include <ftw.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace dorvix {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteFile(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

namespace {

int OpenUp(const char* path, const struct stat*, int type, struct FTW*) {
  if (type == FTW_D || type == FTW_DNR) chmod(path, 0700);  // a read-only folder
  return 0;
}

int Remove(const char* path, const struct stat*, int, struct FTW*) { return remove(path); }

}  // namespace

ScratchFolder::ScratchFolder() {
  char pattern[] = "/tmp/dorvix-test-XXXXXX";
  path_ = mkdtemp(pattern);
}

ScratchFolder::~ScratchFolder() {
  nftw(path_.c_str(), OpenUp, 16, FTW_PHYS);
  nftw(path_.c_str(), Remove, 16, FTW_DEPTH | FTW_PHYS);
}

std::vector<std::string> ScratchFolder::Names() const {
  std::vector<std::string> names;
  DIR* dir = opendir(path_.c_str());
  if (dir == nullptr) return names;
  while (dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  closedir(dir);
  std::sort(names.begin(), names.end());
  return names;
}

std::string Visible(const std::string& bytes) {
  std::string out;
  for (unsigned char c : bytes) {
    if (c == '\r') {
      out += "\\r";
    } else if (c == '\n') {
      out += "\\n\n";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c < 32 || c >= 127) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02x", c);
      out += hex;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

}  // namespace dorvix
