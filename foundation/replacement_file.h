// A file written afresh that replaces the file of its name only when it is
// complete. It is built under a partial name in the same folder as the file
// it replaces and renamed over it in one step, so that whatever stops the
// run, the name holds either its previous content or the whole new one.
#pragma once

#include <optional>
#include <string>

#include "foundation/unfinished_files.h"

namespace wexmont {

constexpr const char* kPartialSuffix = ".partial";

// The name a file that replaces `path` is built under: the name of the file
// `path` leads to, through symbolic links, followed by ".partial". A link
// thus stays a link, and the file it points to is replaced.
std::string PartialNameOf(const std::string& path);

class ReplacementFile {
 public:
  // Prepares to replace the file at `path`; a partial file left by an
  // earlier run is removed. Ends the run when the file at `path` exists and
  // may not be written. Something there that is not a regular file (a
  // device such as /dev/null, a folder) has no content to keep and is
  // written in place, as a rename would put a file in its stead.
  explicit ReplacementFile(const std::string& path);

  // Where the new content is written.
  const std::string& Path() const { return writtenPath_; }

  // Puts the complete file in place of the old one, with the old one's
  // permission bits. Ends the run when that fails. Until this is called, a
  // run that stops removes the partial file and leaves the old one as it was.
  void Commit();

 private:
  std::string name_;    // as the run names it, for messages
  std::string target_;  // the file it replaces, links followed
  std::string writtenPath_;
  std::optional<UnfinishedFile> unfinished_;  // none when written in place
};

}  // namespace wexmont
