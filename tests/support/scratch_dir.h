// A fresh temporary folder that is the current directory for the lifetime of
// the object, as the program expects its project there. Removed afterwards.
#pragma once

#include <string>
#include <vector>

namespace wexmont::testing {

class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  const std::string& Path() const { return path_; }

 private:
  std::string path_;
  std::string previous_;
};

// The names in the current directory, sorted (only regular files, if asked):
// what a run left behind.
std::vector<std::string> FolderListing(bool regularOnly = false);

}  // namespace wexmont::testing
