// The one way a run ends early: the message goes to standard output at the
// point of failure, standard output is flushed, and a RunStop is thrown. The
// entry turns a RunStop into exit status 1; tests and fuzzers catch it and
// carry on, so a refusal never takes the calling process down with it.
#pragma once

#include <stdexcept>
#include <string>

namespace wexmont {

class RunStop : public std::runtime_error {
 public:
  explicit RunStop(const std::string& message) : std::runtime_error(message) {}
};

// Prints the printf-style message exactly as given (callers supply the line
// feed), flushes standard output and throws RunStop. A message starts on a
// line of its own: after text without a line feed (the edit numbers of a
// build) a line feed comes first.
[[noreturn]] void EndRun(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Prints a console text and flushes it, so that progress and messages keep
// their order with whatever a later failure prints. A message (a text that
// starts with ">>") starts on a line of its own, as with EndRun.
void Say(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Where standard output stands: the column after the last text printed
// (0 at the start of a line). Console writes that fail (a closed pipe) are
// dropped; the column counts them as written.
int ConsoleColumn();

// "\n" when standard output stands after text without a line feed, else "".
// Safe to call from a signal handler.
const char* LineFeedBeforeMessage();

// Called before every console text is printed (for example to take a
// progress display off the terminal); nullptr for none.
using BeforeConsoleText = void (*)();
void SetBeforeConsoleText(BeforeConsoleText hook);

}  // namespace wexmont
