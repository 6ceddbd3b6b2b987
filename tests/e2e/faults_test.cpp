#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <thread>

#include "foundation/byte_pack.h"
#include "tests/support/project_files.h"
#include "tests/support/scratch_dir.h"
#include "tests/support/sndfile_oracle.h"
#include "wav/wav_header.h"

namespace wexmont {
namespace {

using testing::ScratchDir;
using testing::WriteFile;

// Runs the real binary in the current folder. Every file it writes is held
// below `fileSizeLimit` bytes. Its output goes into a pipe of the smallest
// size, so that `meanwhile` (handed the pipe and the process) decides when it
// may go on. A run ended by a signal has the exit status 128 + the signal.
testing::BinaryRun RunLimited(rlim_t fileSizeLimit = RLIM_INFINITY, const char* argument = nullptr,
                              const std::function<void(int, pid_t)>& meanwhile = {}) {
  int fds[2];
  EXPECT_EQ(::pipe(fds), 0);
  ::fcntl(fds[0], F_SETPIPE_SZ, 4096);
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(fds[1], STDOUT_FILENO);
    const rlimit limit{fileSizeLimit, fileSizeLimit};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    // SIGXFSZ and SIGPIPE as a shell leaves them: the program ignores them itself.
    for (const int stop : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGXFSZ, SIGPIPE}) {
      ::signal(stop, SIG_DFL);  // whatever the test runner ignores
    }
    ::execl(WEXMONT_BINARY, WEXMONT_BINARY, argument, nullptr);
    ::_exit(127);
  }
  ::close(fds[1]);
  if (meanwhile) {
    meanwhile(fds[0], pid);
  }
  return testing::CollectChild(fds[0], pid);
}

// One track of 24-bit stereo takes at 8000 Hz with a crossfade over the cut
// at frame 800; returns the takes, byte for byte.
testing::InputSnapshot WriteProject(const std::string& trackList = "d\n") {
  WriteFile("base.txt", trackList);
  WriteFile("points.txt", "0\tA\n0.1\tB\n0.2\tA\n");
  WriteFile("wexmontrc.txt", "xf_all\t5\t1\n");
  testing::WriteCanonicalTake("dA.wav", 8000, 24, 2, testing::ToneSamples(2000, 2, 24, 1));
  testing::WriteCanonicalTake("dB.wav", 8000, 24, 2, testing::ToneSamples(2000, 2, 24, 2));
  return testing::InputSnapshot({"dA.wav", "dB.wav"});
}

void ExpectFailure(const testing::BinaryRun& run, const std::string& message) {
  EXPECT_EQ(run.exitStatus, 1) << run.output;
  EXPECT_NE(run.output.find(message), std::string::npos) << run.output;
  EXPECT_EQ(run.output.find("Done"), std::string::npos) << run.output;
}

struct Fault {
  const char* name;
  const char* path;  // made a link to "/dev/full", a folder ("/"), removed ("") or text
  const char* becomes;
  rlim_t fileSizeLimit;
  const char* message;
  const char* argument = nullptr;
};

TEST(Faults, EndTheRunWithAMessageAndLeaveTheTakesAlone) {
  constexpr rlim_t kNone = RLIM_INFINITY;
  const char* rc = "wexmontrc.txt";
  const Fault faults[] = {
      {"output on a full disk", "d_bld.wav", "/dev/full", kNone,
       "Cannot write d_bld.wav: No space left on device,"},
      {"disk full in mid-track", rc, "xf_all\t5\t1", 6000, "Cannot write d_bld.wav.partial"},
      {"temporary file on a full disk", "xfade_temp.wav", "/dev/full", kNone,
       "Cannot write xfade_temp.wav"},
      // The crossfade is written straight into the output: the output's write
      // is the one that fails, never the temporary file's.
      {"disk full at a long crossfade", rc, "xf_all\t187.5\t1", 6000, "Cannot write d_bld.wav"},
      {"temporary file is a folder", "xfade_temp.wav", "/", kNone, "Cannot create xfade_temp.wav"},
      {"output folder missing", "d_mix", "", kNone, "Cannot create d_mix/out.wav.partial",
       "_mix/out.wav"},
      {"template on a full disk", rc, "", 0, "Cannot write the template wexmontrc.txt"},
      // Refused before any output is created:
      {"edit time too far", "points.txt", "0\tA\n1e30\tB\n", kNone, "Edit 2 lies too far"},
      {"crossfade too long", rc, "xf_all\t1e30\t1", kNone,
       "The crossfade of track 1 is too long ("},
      {"crossfade too long for the temporary file", rc, "xf_all\t89478488\t1", kNone,
       "The crossfade of track 1 is too long for xfade_temp.wav"},
  };
  for (const Fault& fault : faults) {
    SCOPED_TRACE(fault.name);
    ScratchDir dir;
    const testing::InputSnapshot takes = WriteProject();
    const std::string becomes = fault.becomes;
    std::remove(fault.path);
    ASSERT_TRUE(becomes == "/dev/full" ? ::symlink("/dev/full", fault.path) == 0
                : becomes == "/"       ? ::mkdir(fault.path, 0755) == 0
                : becomes.empty()      ? true
                                       : (WriteFile(fault.path, becomes), true));
    ExpectFailure(RunLimited(fault.fileSizeLimit, fault.argument),
                  std::string(">> ") + fault.message);
    EXPECT_TRUE(takes.Changed().empty());
    // No output is left half-built: a device is written in place, and a
    // temporary crossfade file the run could write is removed.
    EXPECT_EQ(testing::Exists("d_bld.wav"), std::string(fault.path) == "d_bld.wav");
    EXPECT_FALSE(testing::Exists("d_bld.wav.partial"));
    EXPECT_EQ(testing::Exists("xfade_temp.wav"), becomes == "/");
  }
}

// Writes a take of `frames` frames of 24-bit stereo at 8000 Hz that takes
// little room: a header, then a hole, with one byte of 1 every 64 KiB of its
// first 512 MiB, so that the build copies them instead of keeping a hole.
void WriteSparseTake(const std::string& path, int64_t frames) {
  const WavHeader header = BuildHeader({8000, 24, 2}, frames);
  WriteFile(path, std::string(header.begin(), header.end()));
  ASSERT_EQ(::truncate(path.c_str(), kHeaderBytes + frames * 6), 0);
  const int fd = ::open(path.c_str(), O_WRONLY);
  for (off_t at = kHeaderBytes; at < kHeaderBytes + (off_t{512} << 20); at += 64 << 10) {
    ASSERT_EQ(::pwrite(fd, "\x01", 1, at), 1);
  }
  ::close(fd);
}

struct Stop {
  const char* name;
  int signal;  // sent once b's output is 8 MB into its build; 0: none
  rlim_t fileSizeLimit;
  bool temporaryIsFolder;  // refused at the first edit point of track a
  const char* last;        // how the console ends
  int exitStatus;
};

// Three tracks are built again after a first run: a with new takes, b with
// 2 GiB takes (sparse) in whose build the run stops, and c, never reached.
TEST(Faults, ARunThatStopsEarlyLeavesEveryOutputWholeAndBuildsNormallyNextTime) {
  constexpr rlim_t kNone = RLIM_INFINITY;
  const Stop stops[] = {
      {"SIGINT", SIGINT, kNone, false, "edits: 1 2 \n>> Interrupted, exiting\n", 128 + SIGINT},
      {"SIGTERM", SIGTERM, kNone, false, "edits: 1 2 \n>> Terminated, exiting\n", 128 + SIGTERM},
      {"SIGHUP", SIGHUP, kNone, false, "edits: 1 2 \n>> Hung up, exiting\n", 128 + SIGHUP},
      {"SIGQUIT", SIGQUIT, kNone, false, "edits: 1 2 \n>> Quit, exiting\n", 128 + SIGQUIT},
      {"SIGKILL", SIGKILL, kNone, false, "edits: 1 2 ", 128 + SIGKILL},
      // The file size limit (ulimit -f) would send SIGXFSZ: the write fails instead.
      {"file size limit", 0, 1 << 20, false,
       "edits: 1 2 \n>> Cannot write b_bld.wav.partial: File too large, exiting\n", 1},
      {"refusal during the build", 0, kNone, true,
       ">> Cannot create xfade_temp.wav: Is a directory, exiting\n", 1},
  };
  const std::vector<std::string> outputs = {"a_bld.wav", "b_bld.wav", "c_bld.wav"};
  const auto writeTakes = [](const std::string& track, int32_t seed) {
    for (const char* take : {"A", "B"}) {
      testing::WriteCanonicalTake(track + take + ".wav", 8000, 24, 2,
                                  testing::ToneSamples(2000, 2, 24, seed++));
    }
  };
  for (const Stop& stop : stops) {
    SCOPED_TRACE(stop.name);
    ScratchDir dir;
    WriteFile("base.txt", "a\nb\nc\n");
    WriteFile("points.txt", "0\tA\n0.1\tB\n100000\tA\n");
    WriteFile("wexmontrc.txt", "xf_all\t5\t1\n");
    for (const char* track : {"a", "b", "c"}) {
      writeTakes(track, 1);
    }
    ASSERT_EQ(RunLimited().exitStatus, 0);
    const testing::InputSnapshot previous(outputs);

    writeTakes("a", 3);
    WriteSparseTake("bA.wav", 357913941);
    WriteSparseTake("bB.wav", 357913941);
    ASSERT_TRUE(!stop.temporaryIsFolder || ::mkdir("xfade_temp.wav", 0755) == 0);
    const auto stopWhenBIsUnderWay = [&](int, pid_t pid) {
      const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
      struct stat info {};
      while ((::stat("b_bld.wav.partial", &info) != 0 || info.st_size < (8 << 20)) &&
             std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
      EXPECT_GE(info.st_size, 8 << 20);
      ::kill(pid, stop.signal);
    };
    const testing::BinaryRun run =
        RunLimited(stop.fileSizeLimit, nullptr,
                   stop.signal ? std::function<void(int, pid_t)>(stopWhenBIsUnderWay) : nullptr);
    EXPECT_EQ(run.exitStatus, stop.exitStatus) << run.output;
    EXPECT_TRUE(run.output.ends_with(stop.last)) << run.output;

    // a is finished unless the run stopped in it; b and c are as they were.
    const std::vector<std::string> aIsNew = {outputs[0]};
    EXPECT_EQ(previous.Changed(), stop.temporaryIsFolder ? std::vector<std::string>{} : aIsNew);
    for (const std::string& output : outputs) {  // each holds what its header announces
      const std::string bytes = testing::ReadFile(output);
      EXPECT_EQ(bytes.size(),
                kHeaderBytes + Load32LE(reinterpret_cast<const uint8_t*>(&bytes[40])));
    }
    // Only SIGKILL leaves something behind: its partial file and the
    // temporary crossfade file, which the next run writes anew.
    const bool killed = stop.signal == SIGKILL;
    EXPECT_EQ(testing::Exists("b_bld.wav.partial"), killed);
    EXPECT_FALSE(testing::Exists("a_bld.wav.partial"));
    EXPECT_EQ(testing::Exists("xfade_temp.wav"), killed || stop.temporaryIsFolder);

    // With b's takes of the first run back, b comes out as it did then.
    writeTakes("b", 1);
    ::rmdir("xfade_temp.wav");
    const testing::BinaryRun next = RunLimited();
    EXPECT_EQ(next.exitStatus, 0) << next.output;
    EXPECT_EQ(previous.Changed(), aIsNew);
    EXPECT_FALSE(testing::Exists("b_bld.wav.partial"));
    EXPECT_FALSE(testing::Exists("xfade_temp.wav"));
  }
}

// A run that stops after its first track removes the temporary crossfade
// file it wrote, whether the build had deleted it (after a crossfade) or left
// a bare header (after a hard cut); the finished first output stays.
TEST(Faults, AStopRemovesTheTemporaryFileTheRunWrote) {
  for (const bool hardCut : {false, true}) {
    SCOPED_TRACE(hardCut ? "hard cut" : "crossfade");
    ScratchDir dir;
    WriteProject("d\ne\n");
    ASSERT_EQ(::link("dA.wav", "eA.wav") | ::link("dB.wav", "eB.wav"), 0);
    WriteFile("wexmontrc.txt", hardCut ? "xf_all\t5\t0\n" : "xf_all\t5\t1\n");
    ASSERT_EQ(::mkdir("e_bld.wav", 0755), 0);  // the second output cannot be created
    ExpectFailure(RunLimited(), ">> Cannot create e_bld.wav");
    EXPECT_FALSE(testing::Exists("xfade_temp.wav"));
    EXPECT_TRUE(testing::Exists("d_bld.wav"));
  }
}

// A 4 GiB take (sparse, so that it takes no room) gives an output that no
// WAV file can hold: 24-bit stereo beyond the RIFF size, or 16-bit mono that
// fits only without the iXML chunk the output would carry.
// A thousand tracks print more than the pipe holds before the first output
// is built, so the run waits inside its crossfade report, after every take
// has been probed, until the test reads; the take vanishes meanwhile.
TEST(Faults, ATakeThatVanishesAfterTheProbeEndsTheRun) {
  ScratchDir dir;
  // Tracks d, d1 ... d999, whose takes are links to those of track d.
  std::string thousandTracks = "d\n";
  for (int t = 1; t < 1000; ++t) {
    thousandTracks.append("d").append(std::to_string(t)).append("\n");
  }
  const testing::InputSnapshot takes = WriteProject(thousandTracks);
  for (int t = 1; t < 1000; ++t) {
    for (const char* take : {"A", "B"}) {
      const std::string link =
          std::string("d").append(std::to_string(t)).append(take).append(".wav");
      ASSERT_EQ(::link((std::string("d") + take + ".wav").c_str(), link.c_str()), 0);
    }
  }
  const auto vanish = [](int output, pid_t) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    int waiting = 0;
    while (::ioctl(output, FIONREAD, &waiting) == 0 && waiting < 1000 &&
           std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_GE(waiting, 1000);
    EXPECT_EQ(::unlink("dA.wav"), 0);
  };
  ExpectFailure(RunLimited(RLIM_INFINITY, nullptr, vanish),
                ">> Cannot find file called dA.wav, exiting");
  EXPECT_EQ(takes.Changed(), std::vector<std::string>{"dA.wav"});
}

// Two builds started in one folder: the second ends at once and writes
// nothing while the first runs; the first builds as if it were alone, and
// its end frees the folder. The first is held inside its build by its own
// progress: two tracks of 1024 edit points print more than the pipe holds.
TEST(Faults, ASecondBuildInTheFolderIsRefusedWhileTheFirstRuns) {
  ScratchDir dir;
  WriteFile("base.txt", "d\ne\n");
  WriteFile("wexmontrc.txt", "xf_all\t2\t1\n");
  std::string points;
  for (int edit = 0; edit < 1024; ++edit) {
    points += std::to_string(edit * 0.001) + (edit % 2 ? "\tB\n" : "\tA\n");
  }
  WriteFile("points.txt", points);
  for (const char* take : {"dA.wav", "dB.wav", "eA.wav", "eB.wav"}) {
    testing::WriteCanonicalTake(take, 8000, 16, 1, testing::ToneSamples(9000, 1, 16, take[1]));
  }
  const auto secondBuild = [](int firstOutput, pid_t) {
    int waiting = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (::ioctl(firstOutput, FIONREAD, &waiting) == 0 && waiting < 4000 &&
           std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    const testing::InputSnapshot before({"base.txt", "points.txt", "wexmontrc.txt", "dA.wav"});
    ExpectFailure(testing::RunBinary(".", {"_v2.wav"}),
                  ">> Another build is running in this folder, exiting\n");
    EXPECT_TRUE(before.Changed().empty());
    EXPECT_FALSE(testing::Exists("d_v2.wav") || testing::Exists("e_v2.wav"));
  };
  const testing::BinaryRun first = RunLimited(RLIM_INFINITY, nullptr, secondBuild);
  EXPECT_EQ(first.exitStatus, 0) << first.output;
  const testing::BinaryRun alone = testing::RunBinary(".", {"_v3.wav"});
  EXPECT_EQ(alone.exitStatus, 0) << alone.output;
  EXPECT_EQ(testing::ReadFile("d_bld.wav"), testing::ReadFile("d_v3.wav"));
  EXPECT_EQ(testing::ReadFile("e_bld.wav"), testing::ReadFile("e_v3.wav"));

  // Held by another process, the folder gets not even the parameter template.
  std::remove("wexmontrc.txt");
  const int folder = ::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  ASSERT_EQ(::flock(folder, LOCK_EX), 0);
  ExpectFailure(testing::RunBinary(".", {"_v4.wav"}), ">> Another build is running");
  EXPECT_FALSE(testing::Exists("wexmontrc.txt") || testing::Exists("d_v4.wav"));
  ::close(folder);
}

// A closed standard output (wexmont | head) neither stops nor fails a build:
// the console text is lost, the outputs are complete and the status is 0.
TEST(Faults, AClosedStandardOutputLetsTheBuildFinish) {
  ScratchDir dir;
  const testing::InputSnapshot takes = WriteProject("d\ne\n");
  testing::WriteCanonicalTake("eA.wav", 8000, 24, 2, testing::ToneSamples(2000, 2, 24, 3));
  testing::WriteCanonicalTake("eB.wav", 8000, 24, 2, testing::ToneSamples(2000, 2, 24, 4));
  ASSERT_EQ(RunLimited().exitStatus, 0);
  const std::string d = testing::ReadFile("d_bld.wav");
  const std::string e = testing::ReadFile("e_bld.wav");
  const std::vector<std::string> listing = testing::FolderListing();
  ASSERT_EQ(::unlink("d_bld.wav"), 0);
  ASSERT_EQ(::unlink("e_bld.wav"), 0);

  const testing::BinaryRun run = RunLimited(RLIM_INFINITY, nullptr, [](int output, pid_t) {
    ::close(output);  // before the first line: every console write fails
  });
  EXPECT_EQ(run.exitStatus, 0);
  EXPECT_EQ(testing::ReadFile("d_bld.wav"), d);
  EXPECT_EQ(testing::ReadFile("e_bld.wav"), e);
  EXPECT_EQ(testing::FolderListing(), listing);
  EXPECT_TRUE(takes.Changed().empty());
}

}  // namespace
}  // namespace wexmont
