// A progress bar on standard error, for builds that take long: the file in
// progress, the share of all output bytes written, the speed and the time
// left. It is drawn only when standard error is a terminal, a few times a
// second, and erased when it is done; standard output is never touched.
//
// The bar stands on the cursor's line, after whatever standard output has
// printed there (the edit numbers of a build), and the cursor is put back
// where it was, so that standard output goes on as if the bar were not there.
// Before every console text the bar is taken off the line.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace wexmont {

class ProgressBar {
 public:
  // A bar for `totalBytes` bytes of output in all. Draws nothing unless
  // standard error is a terminal.
  explicit ProgressBar(int64_t totalBytes);
  // Erases the bar.
  ~ProgressBar();
  ProgressBar(const ProgressBar&) = delete;
  ProgressBar& operator=(const ProgressBar&) = delete;

  // The name shown for what is written now (an output file).
  void SetTrack(const std::string& name);
  // `bytes` more bytes were written.
  void Advance(int64_t bytes);

  // The line as it is drawn at `elapsedSeconds` after the start, at most
  // `width` characters: "drums_bld.wav [#####     ]  45%  123.4 MB/s  0:12 left".
  std::string Line(double elapsedSeconds, int width) const;

 private:
  using Clock = std::chrono::steady_clock;
  void Draw();

  bool drawn_;  // false when standard error is no terminal
  int64_t total_;
  int64_t done_ = 0;
  std::string track_;
  Clock::time_point start_ = Clock::now();
  Clock::time_point lastDraw_{};
  bool everDrawn_ = false;
};

// Takes a visible bar off the terminal from inside a signal handler.
void EraseProgressBarInSignalHandler();

}  // namespace wexmont
