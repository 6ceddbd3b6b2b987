#include "foundation/console.h"

#include <csignal>
#include <cstdarg>
#include <cstdio>
#include <string_view>
#include <vector>

namespace wexmont {
namespace {

std::string FormatMessage(const char* format, va_list args) {
  va_list copy;
  va_copy(copy, args);
  const int length = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  if (length <= 0) {
    return std::string();
  }
  std::vector<char> text(static_cast<size_t>(length) + 1);
  std::vsnprintf(text.data(), text.size(), format, args);
  return std::string(text.data(), static_cast<size_t>(length));
}

constexpr std::string_view kMessageStart = ">>";

volatile sig_atomic_t midLine = 0;  // read by signal handlers
int column = 0;
BeforeConsoleText beforeText = nullptr;

void Print(const std::string& text) {
  if (beforeText != nullptr) {
    beforeText();
  }
  std::fputs(text.c_str(), stdout);
  std::fflush(stdout);
  const size_t lastLineFeed = text.rfind('\n');
  column = lastLineFeed == std::string::npos ? column + static_cast<int>(text.size())
                                             : static_cast<int>(text.size() - lastLineFeed - 1);
  midLine = column != 0;
}

}  // namespace

void EndRun(const char* format, ...) {
  va_list args;
  va_start(args, format);
  const std::string message = FormatMessage(format, args);
  va_end(args);
  std::string line = LineFeedBeforeMessage();
  line += message;
  Print(line);
  throw RunStop(message);
}

void Say(const char* format, ...) {
  va_list args;
  va_start(args, format);
  const std::string text = FormatMessage(format, args);
  va_end(args);
  std::string line =
      std::string_view(text).starts_with(kMessageStart) ? LineFeedBeforeMessage() : "";
  line += text;
  Print(line);
}

int ConsoleColumn() {
  return column;
}

const char* LineFeedBeforeMessage() {
  return midLine ? "\n" : "";
}

void SetBeforeConsoleText(BeforeConsoleText hook) {
  beforeText = hook;
}

}  // namespace wexmont
