#include "foundation/file_messages.h"

#include <cerrno>

#include "foundation/console.h"
#include "foundation/file_handle.h"
#include "foundation/visible_text.h"

namespace wexmont {

std::string UnopenedFileText(const std::string& path, int error) {
  std::string text = error == ENOENT ? "Cannot find file called " : "Cannot open ";
  text += VisibleText(path);
  if (error != ENOENT) {
    text += ": ";
    text += FileErrorText(error);
  }
  return text;
}

void RefuseUnopenedFile(const std::string& path, int error) {
  EndRun(">> %s, exiting\n", UnopenedFileText(path, error).c_str());
}

}  // namespace wexmont
