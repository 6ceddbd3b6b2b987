#include "driver/report/page_output.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <span>

#include "foundation/console.h"
#include "foundation/visible_text.h"

namespace wexmont {

PageOutput::PageOutput(const std::string& path)
    : name_(path), replacement_(path), file_(FileHandle::CreateEmpty(replacement_.Path())) {
  if (!file_.IsOpen()) {
    EndRun(">> Cannot create %s, exiting\n", VisibleText(name_).c_str());
  }
  held_.reserve(kBufferBytes);
}

void PageOutput::Add(std::string_view text) {
  if (held_.size() + text.size() > kBufferBytes) {
    Flush();
  }
  if (text.size() > kBufferBytes) {
    held_ = text;
    Flush();
    return;
  }
  held_ += text;
}

void PageOutput::AddFormatted(const char* format, ...) {
  char piece[kMostFormattedBytes];
  va_list arguments;
  va_start(arguments, format);
  const int length = std::vsnprintf(piece, sizeof piece, format, arguments);
  va_end(arguments);
  if (length > 0) {
    Add(std::string_view(piece, std::min(static_cast<size_t>(length), sizeof piece - 1)));
  }
}

void PageOutput::Flush() {
  const auto* bytes = reinterpret_cast<const uint8_t*>(held_.data());
  if (!file_.WriteAt(written_, std::span<const uint8_t>(bytes, held_.size()))) {
    EndRun(">> Cannot write %s, exiting\n", VisibleText(name_).c_str());
  }
  written_ += static_cast<int64_t>(held_.size());
  held_.clear();
}

void PageOutput::Finish() {
  Flush();
  if (!file_.Close()) {
    EndRun(">> Cannot write %s, exiting\n", VisibleText(name_).c_str());
  }
  replacement_.Commit();
}

}  // namespace wexmont
