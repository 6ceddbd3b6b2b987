// The messages of a file that could not be opened: one that does not exist
// is "not found", any other is named with the system's reason.
#pragma once

#include <string>

namespace wexmont {

// "Cannot find file called X" for a file that does not exist (ENOENT),
// "Cannot open X: Permission denied" and the like for any other reason.
std::string UnopenedFileText(const std::string& path, int error);

// Ends the run with UnopenedFileText.
[[noreturn]] void RefuseUnopenedFile(const std::string& path, int error);

}  // namespace wexmont
