#include "foundation/progress_bar.h"

#include <signal.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <string_view>

#include "foundation/console.h"

namespace wexmont {
namespace {

constexpr auto kRedrawInterval = std::chrono::milliseconds(250);
constexpr int kBarCells = 20;
constexpr double kBytesPerMegabyte = 1e6;
constexpr int kSecondsPerMinute = 60;
constexpr int kSecondsPerHour = 3600;
constexpr int kFallbackWidth = 80;
// The cursor is saved before the bar and restored after it; the line is
// cleared from the cursor to its end.
constexpr std::string_view kSaveCursor = "\0337";
constexpr std::string_view kRestoreCursor = "\0338";
constexpr std::string_view kClearToLineEnd = "\033[K";
constexpr std::string_view kErase = "\0337\033[K\0338";

volatile sig_atomic_t barVisible = 0;

void WriteToTerminal(std::string_view text) {
  for (size_t done = 0; done < text.size();) {
    const ssize_t written = ::write(STDERR_FILENO, text.data() + done, text.size() - done);
    if (written <= 0) {
      return;  // a terminal that takes nothing loses the bar, never the build
    }
    done += static_cast<size_t>(written);
  }
}

void EraseVisibleBar() {
  if (barVisible) {
    WriteToTerminal(kErase);
    barVisible = 0;
  }
}

int TerminalWidth() {
  winsize size{};
  if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) != 0 || size.ws_col == 0) {
    return kFallbackWidth;
  }
  return size.ws_col;
}

// Columns the bar may fill on the cursor's line without wrapping it: after
// standard output's text when both go to the terminal.
int FreeColumns() {
  const int used = ::isatty(STDOUT_FILENO) ? ConsoleColumn() : 0;
  return TerminalWidth() - used - 1;
}

// "1:05", "1:02:03".
std::string Duration(double seconds) {
  const long total = static_cast<long>(seconds + 0.5);
  char text[32];
  if (total >= kSecondsPerHour) {
    std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", total / kSecondsPerHour,
                  total % kSecondsPerHour / kSecondsPerMinute, total % kSecondsPerMinute);
  } else {
    std::snprintf(text, sizeof text, "%ld:%02ld", total / kSecondsPerMinute,
                  total % kSecondsPerMinute);
  }
  return text;
}

}  // namespace

ProgressBar::ProgressBar(int64_t totalBytes)
    : drawn_(::isatty(STDERR_FILENO) == 1), total_(std::max<int64_t>(totalBytes, 1)) {
  if (drawn_) {
    SetBeforeConsoleText(EraseVisibleBar);
  }
}

ProgressBar::~ProgressBar() {
  if (drawn_) {
    SetBeforeConsoleText(nullptr);
    EraseVisibleBar();
  }
}

void ProgressBar::SetTrack(const std::string& name) {
  track_ = name;
}

void ProgressBar::Advance(int64_t bytes) {
  done_ += bytes;
  if (!drawn_) {
    return;
  }
  const Clock::time_point now = Clock::now();
  if (everDrawn_ && now - lastDraw_ < kRedrawInterval) {
    return;
  }
  lastDraw_ = now;
  everDrawn_ = true;
  Draw();
}

std::string ProgressBar::Line(double elapsedSeconds, int width) const {
  const double share =
      std::clamp(static_cast<double>(done_) / static_cast<double>(total_), 0.0, 1.0);
  const int filled = static_cast<int>(share * kBarCells);
  const double rate = elapsedSeconds > 0 ? static_cast<double>(done_) / elapsedSeconds : 0;
  const std::string left =
      rate > 0 ? Duration(static_cast<double>(total_ - done_) / rate) + " left" : "-:-- left";
  char numbers[96];
  std::snprintf(numbers, sizeof numbers, " [%s%s] %3d%%  %.1f MB/s  %s",
                std::string(static_cast<size_t>(filled), '#').c_str(),
                std::string(static_cast<size_t>(kBarCells - filled), ' ').c_str(),
                static_cast<int>(share * 100), rate / kBytesPerMegabyte, left.c_str());
  // The numbers matter more than the name: a narrow line shortens the name.
  const int nameRoom = std::max(0, width - static_cast<int>(std::string_view(numbers).size()));
  std::string line = track_.substr(0, static_cast<size_t>(nameRoom)) + numbers;
  return line.substr(0, static_cast<size_t>(std::max(0, width)));
}

void ProgressBar::Draw() {
  const double elapsed = std::chrono::duration<double>(Clock::now() - start_).count();
  const std::string line = Line(elapsed, FreeColumns());
  if (line.empty()) {
    return;
  }
  std::string text(kSaveCursor);
  text += line;
  text += kClearToLineEnd;
  text += kRestoreCursor;
  WriteToTerminal(text);
  barVisible = 1;
}

void EraseProgressBarInSignalHandler() {
  if (barVisible) {
    [[maybe_unused]] const ssize_t written = ::write(STDERR_FILENO, kErase.data(), kErase.size());
  }
}

}  // namespace wexmont
