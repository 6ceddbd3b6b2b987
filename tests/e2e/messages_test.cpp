#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <functional>

#include "tests/support/project_files.h"
#include "tests/support/scratch_dir.h"
#include "tests/support/sndfile_oracle.h"

namespace wexmont {
namespace {

using testing::ScratchDir;
using testing::WriteFile;

constexpr uid_t kNobody = 65534;  // permissions bind every user but root

// Runs the real binary in the current folder with standard output and error
// in one pipe. Run by root, the binary runs as nobody, so that permission
// bits refuse it as they refuse a user.
testing::BinaryRun RunAsUser(const std::vector<std::string>& arguments) {
  int fds[2];
  EXPECT_EQ(::pipe(fds), 0);
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(fds[1], STDOUT_FILENO);
    ::dup2(fds[1], STDERR_FILENO);
    if (::geteuid() == 0 &&
        (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)) {
      ::_exit(126);
    }
    std::vector<char*> argv = {const_cast<char*>(WEXMONT_BINARY)};
    for (const std::string& argument : arguments) {
      argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    ::execv(WEXMONT_BINARY, argv.data());
    ::_exit(127);
  }
  ::close(fds[1]);
  return testing::CollectChild(fds[0], pid);
}

// The last `count` lines of a console text, each with its line feed.
std::string LastLines(const std::string& text, int count) {
  size_t start = text.size();
  for (int k = 0; k <= count && start != std::string::npos && start > 0; ++k) {
    start = text.rfind('\n', start - 1);
  }
  return start == std::string::npos ? text : text.substr(start + 1);
}

// drums, takes A, B and Z of 1000 Hz mono 16-bit; readable by everyone.
void WriteProject(bool withParameters = true) {
  WriteFile("base.txt", "drums\n");
  WriteFile("points.txt", "0\tA\n1\tB\n2\tZ\n");
  if (withParameters) {
    WriteFile("wexmontrc.txt", "xf_all\t10\t1\n");
  }
  for (const char* take : {"drumsA.wav", "drumsB.wav", "drumsZ.wav"}) {
    testing::WriteCanonicalTake(take, 1000, 16, 1, testing::ToneSamples(3000, 1, 16, 1));
  }
}

void Patch(const std::string& path, size_t offset, const std::string& bytes) {
  std::string content = testing::ReadFile(path);
  content.replace(offset, bytes.size(), bytes);
  WriteFile(path, content);
}

struct MessageCase {
  const char* name;
  std::vector<std::string> args;
  std::function<void()> prepare;  // after the project is written
  int status;
  std::string last;  // the last lines of the console, each with its line feed
  bool withParameters = true;
};

// Every refusal: its status, its last lines, and the folder and the inputs
// as they were before the run.
TEST(Messages, NameTheFileAndTheReasonAndLeaveTheFolderAsItWas) {
  constexpr size_t kFormatCodeOffset = 20;
  constexpr size_t kDataTagOffset = 36;
  const auto mode = [](const char* path, mode_t bits) {
    return [=] { ASSERT_EQ(::chmod(path, bits), 0); };
  };
  const std::string template_ =
      ">> Cannot write the template wexmontrc.txt: Permission denied, exiting\n";
  // The temporary crossfade file is the first file a build creates.
  const std::string temporary = ">> Cannot create xfade_temp.wav: Permission denied, exiting\n";
  const std::string readOnlyOutput = ">> Cannot create drums_bld.wav: Permission denied, exiting\n";
  const MessageCase cases[] = {
      {"unreadable take",
       {},
       mode("drumsB.wav", 0),
       1,
       ">> Cannot open drumsB.wav: Permission denied, exiting\n"},
      {"unreadable take, checked",
       {"--check"},
       mode("drumsB.wav", 0),
       1,
       ">> Cannot open drumsB.wav: Permission denied, exiting\n"},
      {"unreadable edit list",
       {},
       mode("points.txt", 0),
       1,
       ">> Cannot read points.txt: Permission denied, exiting\n"},
      {"unreadable track list",
       {"--check"},
       mode("base.txt", 0),
       1,
       ">> Cannot read base.txt: Permission denied, exiting\n"},
      {"read-only folder", {}, mode(".", 0755), 1, temporary},
      {"read-only folder, checked", {"--check"}, mode(".", 0755), 1, temporary},
      {"read-only folder with a temporary file, checked to a suffix",
       {"_v2.wav", "--check"},
       [] { WriteFile("xfade_temp.wav", ""), ::chmod("xfade_temp.wav", 0666), ::chmod(".", 0755); },
       1,
       ">> Cannot create drums_v2.wav.partial: Permission denied, exiting\n"},
      {"read-only folder without parameters", {}, mode(".", 0755), 1, template_, false},
      {"read-only folder without parameters, checked",
       {"--check"},
       mode(".", 0755),
       1,
       template_,
       false},
      {"read-only output",
       {},
       [] { WriteFile("drums_bld.wav", "old"), ::chmod("drums_bld.wav", 0444); },
       1,
       readOnlyOutput},
      {"read-only output, checked",
       {"--check"},
       [] { WriteFile("drums_bld.wav", "old"), ::chmod("drums_bld.wav", 0444); },
       1,
       readOnlyOutput},
      {"read-only temporary file, checked",
       {"--check"},
       [] { WriteFile("xfade_temp.wav", ""), ::chmod("xfade_temp.wav", 0444); },
       1,
       ">> Cannot create xfade_temp.wav: Permission denied, exiting\n"},
      {"writable folder with an old output, checked",
       {"--check"},
       [] { WriteFile("drums_bld.wav", "old"), ::chmod("drums_bld.wav", 0666); },
       0,
       "Check passed: 1 track ready to build. Nothing was written.\n\n"},
      {"unknown format code in a later take",
       {},
       [] { Patch("drumsB.wav", kFormatCodeOffset, std::string("\x55\x00", 2)); },
       1,
       ">> drumsB.wav holds format code 0x0055, drumsA.wav integer samples\n"
       ">> Sample format mismatch among drums takes, exiting\n"},
      {"no data chunk",
       {},
       [] { Patch("drumsB.wav", kDataTagOffset, "dat_"); },
       1,
       ">> drumsB.wav has no data chunk in its first 15000 bytes\n"
       ">> Can't find data block in wave file, exiting\n"},
      {"typo of an option",
       {"--chek"},
       nullptr,
       2,
       ">> Unknown option --chek (wexmont --help lists the options)\n"
       "Usage: wexmont [--check | --sheet] [--] [SUFFIX] | --help | --version\n"},
  };
  for (const MessageCase& c : cases) {
    SCOPED_TRACE(c.name);
    ScratchDir dir;
    WriteProject(c.withParameters);
    ASSERT_EQ(::chmod(".", 0777), 0);
    if (c.prepare) {
      c.prepare();
    }
    const std::vector<std::string> before = testing::FolderListing();
    const testing::InputSnapshot inputs(before);
    const testing::BinaryRun run = RunAsUser(c.args);
    EXPECT_EQ(run.exitStatus, c.status) << run.output;
    const int lines = static_cast<int>(std::count(c.last.begin(), c.last.end(), '\n'));
    EXPECT_EQ(LastLines(run.output, lines), c.last) << run.output;
    EXPECT_EQ(testing::FolderListing(), before);
    EXPECT_TRUE(inputs.Changed().empty());
  }
}

}  // namespace
}  // namespace wexmont
