// Reading a project text file whole, and splitting it the way the project
// files have always been split.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace wexmont {

// The whole content of `path`, or nothing when no file of that name exists.
// Ends the run, naming the reason, when the file exists but cannot be opened
// as a regular file or read; and when it holds `limit` bytes or more, or a
// NUL byte (the project files are text, and a name must not be cut short).
std::optional<std::string> ReadWholeFile(const std::string& path, size_t limit);

// The text of a project file as its lines are meant: a UTF-8 byte order mark
// at the start is dropped, and so is the carriage return of every CR LF line
// end (and of a CR that ends the file), so that a file saved on Windows reads
// as the same lines. Any other byte stays as it is.
std::string WithPlainLineEnds(std::string text);

// `text` without the spaces around it.
std::string_view TrimSpaces(std::string_view text);

// The line, counted from 1, on which byte `offset` of `text` stands.
size_t LineAt(std::string_view text, size_t offset);

// True when nothing at all stands at `path`.
bool IsMissing(const std::string& path);

// Splits text into tokens like the C library's strtok: leading separators
// are skipped, a token ends at the next separator, and that one separator is
// consumed. Each call may use another separator set.
class Tokenizer {
 public:
  explicit Tokenizer(std::string_view text) : text_(text) {}
  std::optional<std::string_view> Next(std::string_view separators);
  // Where the token last returned starts in the text.
  size_t LastStart() const { return lastStart_; }

 private:
  std::string_view text_;
  size_t position_ = 0;
  size_t lastStart_ = 0;
};

// Number conversions of the project files: text that is not a number gives
// 0. A time or length beyond the range of a float becomes an infinity, and an
// integer beyond 32 bits is held at the nearest 32-bit value.
float ToFloat(std::string_view token);
int32_t ToInt32(std::string_view token);

// True when ToFloat (ToInt32) reads a number from the start of `token`, false
// when it reads nothing and gives 0.
bool ReadsAsNumber(std::string_view token);
bool ReadsAsWholeNumber(std::string_view token);

}  // namespace wexmont
