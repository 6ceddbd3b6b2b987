#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include "foundation/progress_bar.h"
#include "tests/support/project_files.h"
#include "tests/support/scratch_dir.h"
#include "tests/support/sndfile_oracle.h"

namespace wexmont {
namespace {

using testing::ScratchDir;

struct Streams {
  int status = -1;
  std::string output;  // standard output
  std::string errors;  // standard error
};

// Reads every descriptor until its writer is gone (EOF, or EIO on a
// terminal whose other side closed).
void Drain(std::vector<std::pair<int, std::string*>> sources) {
  while (!sources.empty()) {
    std::vector<pollfd> polls;
    for (const auto& source : sources) {
      polls.push_back({source.first, POLLIN, 0});
    }
    ::poll(polls.data(), polls.size(), -1);
    for (size_t k = polls.size(); k-- > 0;) {
      if (polls[k].revents == 0) {
        continue;
      }
      char buffer[4096];
      const ssize_t got = ::read(sources[k].first, buffer, sizeof buffer);
      if (got <= 0) {
        ::close(sources[k].first);
        sources.erase(sources.begin() + static_cast<ptrdiff_t>(k));
      } else {
        sources[k].second->append(buffer, static_cast<size_t>(got));
      }
    }
  }
}

// Runs the real binary in the current folder, standard output into a pipe,
// standard error into a pseudo-terminal or, if not asked, into a pipe.
Streams RunWithStandardError(bool onTerminal) {
  int output[2];
  int errors[2];  // read, write
  EXPECT_EQ(::pipe(output), 0);
  if (onTerminal) {
    EXPECT_EQ(::openpty(&errors[0], &errors[1], nullptr, nullptr, nullptr), 0);
  } else {
    EXPECT_EQ(::pipe(errors), 0);
  }
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(output[1], STDOUT_FILENO);
    ::dup2(errors[1], STDERR_FILENO);
    ::execl(WEXMONT_BINARY, WEXMONT_BINARY, nullptr);
    ::_exit(127);
  }
  ::close(output[1]);
  ::close(errors[1]);
  Streams streams;
  Drain({{output[0], &streams.output}, {errors[0], &streams.errors}});
  int status = 0;
  ::waitpid(pid, &status, 0);
  streams.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return streams;
}

void WriteProject() {
  testing::WriteFile("base.txt", "drums\nbass\n");
  testing::WriteFile("points.txt", "0\tA\n1\tB\n3\tA\n");
  testing::WriteFile("wexmontrc.txt", "xf_all\t20\t1\n");
  for (const char* take : {"drumsA.wav", "drumsB.wav", "bassA.wav", "bassB.wav"}) {
    testing::WriteCanonicalTake(take, 48000, 24, 2, testing::ToneSamples(200000, 2, 24, 1));
  }
}

// On a terminal the bar is drawn on standard error and erased at the end;
// standard output and the outputs are those of a run without it.
TEST(ProgressBar, DrawnOnATerminalErasedWhenDoneAbsentOnAPipe) {
  ScratchDir dir;
  WriteProject();
  const Streams piped = RunWithStandardError(false);
  ASSERT_EQ(piped.status, 0) << piped.output;
  EXPECT_EQ(piped.errors, "");
  const std::string drums = testing::ReadFile("drums_bld.wav");

  const Streams shown = RunWithStandardError(true);
  EXPECT_EQ(shown.status, 0);
  EXPECT_EQ(shown.output, piped.output);
  EXPECT_EQ(testing::ReadFile("drums_bld.wav"), drums);
  const std::string erase = "\0337\033[K\0338";
  EXPECT_NE(shown.errors.find("\0337drums_bld.wav ["), std::string::npos) << shown.errors;
  EXPECT_NE(shown.errors.find("MB/s"), std::string::npos) << shown.errors;
  EXPECT_TRUE(shown.errors.ends_with(erase)) << shown.errors;
}

// The line: share of all bytes, speed and time left, the name shortened first.
TEST(ProgressBar, LineShowsShareSpeedAndTimeLeft) {
  ProgressBar bar(4'000'000);
  bar.SetTrack("drums_bld.wav");
  bar.Advance(1'000'000);
  EXPECT_EQ(bar.Line(2.0, 80), "drums_bld.wav [#####               ]  25%  0.5 MB/s  0:06 left");
  EXPECT_EQ(bar.Line(2.0, 58), "drums_bld [#####               ]  25%  0.5 MB/s  0:06 left");
  EXPECT_EQ(bar.Line(0.0, 80), "drums_bld.wav [#####               ]  25%  0.0 MB/s  -:-- left");
  bar.Advance(3'000'000);
  EXPECT_EQ(bar.Line(4000.0, 80), "drums_bld.wav [####################] 100%  0.0 MB/s  0:00 left");
}

}  // namespace
}  // namespace wexmont
