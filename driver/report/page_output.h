// A page written piece by piece under a partial name and put in place of
// the page of its name only when it is complete: the page is never seen half
// written, and a run that stops leaves the previous page as it was. Held in
// one buffer of fixed size whatever the length of the page.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "foundation/file_handle.h"
#include "foundation/replacement_file.h"

namespace wexmont {

class PageOutput {
 public:
  explicit PageOutput(const std::string& path);

  void Add(std::string_view text);
  // printf-style; one piece of at most kMostFormattedBytes.
  void AddFormatted(const char* format, ...) __attribute__((format(printf, 2, 3)));

  // Writes what is held, closes the file and puts it in place. Ends the run
  // when any of it fails.
  void Finish();

  static constexpr size_t kBufferBytes = 65536;
  static constexpr size_t kMostFormattedBytes = 1024;

 private:
  void Flush();

  std::string name_;
  ReplacementFile replacement_;
  FileHandle file_;
  std::string held_;
  int64_t written_ = 0;
};

}  // namespace wexmont
