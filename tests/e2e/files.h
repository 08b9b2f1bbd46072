// Files and folders for the tests that run the program.
#ifndef DORVIX_TESTS_E2E_FILES_H_
#define DORVIX_TESTS_E2E_FILES_H_

#include <string>
#include <vector>

namespace dorvix {

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& text);

// A folder of its own under /tmp, removed with everything in it, read-only
// folders within it included.
class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  const std::string& path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }
  // The names in the folder, sorted.
  std::vector<std::string> Names() const;

 private:
  std::string path_;
};

// Every byte made visible, so that a mismatch shows CR, LF, tabs and bytes
// outside ASCII. Nothing is cut: two texts compare equal only when they are.
std::string Visible(const std::string& bytes);

}  // namespace dorvix

#endif  // DORVIX_TESTS_E2E_FILES_H_
