// Reading a project text file whole, and splitting it the way the project
// files have always been split.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace wexmont {

// The whole content of `path`, or nothing when it cannot be opened as a
// regular file. Ends the run when the file holds `limit` bytes or more, or a
// NUL byte (the project files are text, and a name must not be cut short).
std::optional<std::string> ReadWholeFile(const std::string& path, size_t limit);

// True when nothing at all stands at `path`.
bool IsMissing(const std::string& path);

// Splits text into tokens like the C library's strtok: leading separators
// are skipped, a token ends at the next separator, and that one separator is
// consumed. Each call may use another separator set.
class Tokenizer {
 public:
  explicit Tokenizer(std::string_view text) : text_(text) {}
  std::optional<std::string_view> Next(std::string_view separators);

 private:
  std::string_view text_;
  size_t position_ = 0;
};

// Number conversions of the project files: text that is not a number gives
// 0. A time or length beyond the range of a float becomes an infinity, and an
// integer beyond 32 bits is held at the nearest 32-bit value.
float ToFloat(std::string_view token);
int32_t ToInt32(std::string_view token);

}  // namespace wexmont
