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
// feed), flushes standard output and throws RunStop.
[[noreturn]] void EndRun(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Prints a console text and flushes it, so that progress and messages keep
// their order with whatever a later failure prints.
void Say(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace wexmont
