#include "foundation/unfinished_files.h"

#include <limits.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <string_view>

#include "foundation/console.h"
#include "foundation/progress_bar.h"

namespace wexmont {
namespace {

// A track's output under construction and the temporary crossfade file are
// the most a run has unfinished at once.
constexpr size_t kSlots = 4;
constexpr size_t kPathBytes = PATH_MAX;  // no longer name can be opened

struct Slot {
  volatile sig_atomic_t noted = 0;
  std::array<char, kPathBytes> path{};
};

std::array<Slot, kSlots> slots;

constexpr std::array<int, 4> kStopSignals = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

sigset_t StopSignalSet() {
  sigset_t set;
  ::sigemptyset(&set);
  for (const int signal : kStopSignals) {
    ::sigaddset(&set, signal);
  }
  return set;
}

// Holds the stop signals back while a slot changes, so that the handler
// never sees half a name.
class StopSignalsHeld {
 public:
  StopSignalsHeld() {
    const sigset_t stops = StopSignalSet();
    ::sigprocmask(SIG_BLOCK, &stops, &previous_);
  }
  ~StopSignalsHeld() { ::sigprocmask(SIG_SETMASK, &previous_, nullptr); }
  StopSignalsHeld(const StopSignalsHeld&) = delete;
  StopSignalsHeld& operator=(const StopSignalsHeld&) = delete;

 private:
  sigset_t previous_;
};

std::string_view StopMessage(int signal) {
  switch (signal) {
    case SIGINT:
      return ">> Interrupted, exiting\n";
    case SIGTERM:
      return ">> Terminated, exiting\n";
    case SIGQUIT:
      return ">> Quit, exiting\n";
    default:
      return ">> Hung up, exiting\n";
  }
}

// Runs inside a signal handler: unlink, write and raise only.
void OnStopSignal(int signal) {
  for (const Slot& slot : slots) {
    if (slot.noted) {
      ::unlink(slot.path.data());
    }
  }
  EraseProgressBarInSignalHandler();
  const std::string_view lineFeed = LineFeedBeforeMessage();
  const std::string_view message = StopMessage(signal);
  // A closed standard output (SIGPIPE is ignored) fails these writes; the
  // files are removed all the same.
  [[maybe_unused]] ssize_t written = ::write(STDOUT_FILENO, lineFeed.data(), lineFeed.size());
  written = ::write(STDOUT_FILENO, message.data(), message.size());
  // The action is back at its default (SA_RESETHAND) and the signal is held
  // until the handler returns; then it ends the process with its own status.
  ::raise(signal);
}

}  // namespace

UnfinishedFile::UnfinishedFile(const std::string& path) : slot_(-1) {
  const StopSignalsHeld held;
  const auto free =
      std::find_if(slots.begin(), slots.end(), [](const Slot& slot) { return slot.noted == 0; });
  if (path.size() >= kPathBytes || free == slots.end()) {
    EndRun(">> Cannot create %s, exiting\n", path.c_str());
  }
  std::copy(path.begin(), path.end(), free->path.begin());
  free->path[path.size()] = '\0';
  free->noted = 1;
  slot_ = static_cast<int>(free - slots.begin());
}

UnfinishedFile::~UnfinishedFile() {
  if (slot_ >= 0) {
    const StopSignalsHeld held;
    ::unlink(slots[slot_].path.data());
    slots[slot_].noted = 0;
  }
}

void UnfinishedFile::Keep() {
  if (slot_ >= 0) {
    const StopSignalsHeld held;
    slots[slot_].noted = 0;
    slot_ = -1;
  }
}

void RemoveUnfinishedFilesOnStopSignals() {
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  action.sa_mask = StopSignalSet();  // one stop at a time
  action.sa_flags = SA_RESETHAND;
  for (const int signal : kStopSignals) {
    struct sigaction previous {};
    if (::sigaction(signal, nullptr, &previous) == 0 && previous.sa_handler != SIG_IGN) {
      ::sigaction(signal, &action, nullptr);
    }
  }
}

void IgnoreSignalsOfFailedWrites() {
  for (const int signal : {SIGPIPE, SIGXFSZ}) {
    ::signal(signal, SIG_IGN);
  }
}

}  // namespace wexmont
