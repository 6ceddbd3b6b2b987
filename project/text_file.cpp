#include "project/text_file.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "foundation/console.h"
#include "foundation/file_handle.h"

namespace wexmont {

std::optional<std::string> ReadWholeFile(const std::string& path, size_t limit) {
  const FileHandle file = FileHandle::OpenRegularForReading(path);
  if (!file.IsOpen() && file.Error() == ENOENT) {
    return std::nullopt;
  }
  if (!file.IsOpen()) {
    EndRun(">> Cannot read %s: %s, exiting\n", path.c_str(), FileErrorText(file.Error()).c_str());
  }
  const int64_t size = file.Size();
  if (size < 0 || static_cast<uint64_t>(size) >= limit) {
    EndRun(">> %s is %lld bytes long, it must be shorter than %zu bytes, exiting\n", path.c_str(),
           static_cast<long long>(size), limit);
  }
  std::string text(static_cast<size_t>(size), '\0');
  const size_t got =
      file.ReadAt(0, std::span(reinterpret_cast<uint8_t*>(text.data()), text.size()));
  if (got < text.size()) {
    EndRun(">> Cannot read %s: %s, exiting\n", path.c_str(), FileErrorText(file.Error()).c_str());
  }
  if (text.find('\0') != std::string::npos) {
    EndRun(">> %s holds a NUL byte, exiting\n", path.c_str());
  }
  return text;
}

std::string WithPlainLineEnds(std::string text) {
  static constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
  if (text.starts_with(kByteOrderMark)) {
    text.erase(0, kByteOrderMark.size());
  }
  std::string plain;
  plain.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const bool endsLine = i + 1 == text.size() || text[i + 1] == '\n';
    if (text[i] != '\r' || !endsLine) {
      plain += text[i];
    }
  }
  return plain;
}

std::string_view TrimSpaces(std::string_view text) {
  const size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) {
    return {};
  }
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

size_t LineAt(std::string_view text, size_t offset) {
  const std::string_view before = text.substr(0, offset);
  return 1 + static_cast<size_t>(std::count(before.begin(), before.end(), '\n'));
}

bool IsMissing(const std::string& path) {
  struct stat info;
  return ::lstat(path.c_str(), &info) != 0 && errno == ENOENT;
}

std::optional<std::string_view> Tokenizer::Next(std::string_view separators) {
  const size_t start = text_.find_first_not_of(separators, position_);
  if (start == std::string_view::npos) {
    position_ = text_.size();
    return std::nullopt;
  }
  lastStart_ = start;
  const size_t end = text_.find_first_of(separators, start);
  if (end == std::string_view::npos) {
    position_ = text_.size();
    return text_.substr(start);
  }
  position_ = end + 1;
  return text_.substr(start, end - start);
}

float ToFloat(std::string_view token) {
  const std::string text(token);
  const double value = std::strtod(text.c_str(), nullptr);
  if (std::isfinite(value) && std::fabs(value) > FLT_MAX) {
    const float infinity = std::numeric_limits<float>::infinity();
    return value > 0 ? infinity : -infinity;
  }
  return static_cast<float>(value);
}

int32_t ToInt32(std::string_view token) {
  const std::string text(token);
  const long value = std::strtol(text.c_str(), nullptr, 10);
  if (value > std::numeric_limits<int32_t>::max()) {
    return std::numeric_limits<int32_t>::max();
  }
  if (value < std::numeric_limits<int32_t>::min()) {
    return std::numeric_limits<int32_t>::min();
  }
  return static_cast<int32_t>(value);
}

bool ReadsAsNumber(std::string_view token) {
  const std::string text(token);
  char* end = nullptr;
  static_cast<void>(std::strtod(text.c_str(), &end));
  return end != text.c_str();
}

bool ReadsAsWholeNumber(std::string_view token) {
  const std::string text(token);
  char* end = nullptr;
  static_cast<void>(std::strtol(text.c_str(), &end, 10));
  return end != text.c_str();
}

}  // namespace wexmont
