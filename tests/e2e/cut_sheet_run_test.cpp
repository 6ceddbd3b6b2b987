// wexmont --sheet through the binary: it checks as --check does, and writes
// the page and nothing else.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/support/project_files.h"
#include "tests/support/scratch_dir.h"
#include "tests/support/sndfile_oracle.h"

namespace wexmont {
namespace {

using testing::FolderListing;
using testing::RunBinary;

constexpr const char* kSheet = "wexmont_sheet.html";

void WriteTake(const std::string& path, uint32_t rate, int64_t frames = 4000) {
  testing::WriteWithSndfile(
      path, testing::Audio{rate, 1, 16, frames, testing::ToneSamples(frames, 1, 16, 2)});
}

size_t Count(const std::string& text, const std::string& what) {
  size_t count = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
    ++count;
  }
  return count;
}

struct FaultyProject {
  const char* what;
  std::string points;
  uint32_t rateOfB;
  bool writeB;
};

TEST(CutSheetRun, AFaultyProjectGetsWhatTheCheckGivesAndNoSheet) {
  const FaultyProject cases[] = {
      {"a missing take", "0\tA\n1\tB\n2\tA\n", 1000, false},
      {"edits out of order", "0\tA\n2\tB\n1\tA\n", 1000, true},
      {"takes at different rates", "0\tA\n1\tB\n2\tA\n", 2000, true},
      {"a time that is no time", "0\tA\n1,5\tB\n2\tA\n", 1000, true},
  };
  for (const FaultyProject& test : cases) {
    SCOPED_TRACE(test.what);
    testing::ScratchDir folder;
    testing::WriteFile("base.txt", "d\n");
    testing::WriteFile("points.txt", test.points);
    WriteTake("dA.wav", 1000);
    if (test.writeB) {
      WriteTake("dB.wav", test.rateOfB);
    }
    const std::vector<std::string> before = FolderListing();
    const testing::BinaryRun check = RunBinary(folder.Path(), {"--check"});
    const testing::BinaryRun sheet = RunBinary(folder.Path(), {"--sheet"});
    EXPECT_EQ(check.exitStatus, 1);
    EXPECT_EQ(sheet.exitStatus, check.exitStatus);
    EXPECT_EQ(sheet.output, check.output);
    EXPECT_EQ(FolderListing(), before);
  }
}

TEST(CutSheetRun, WritesOnlyTheSheetWithPlayersOnceTheOutputIsBuilt) {
  testing::ScratchDir folder;
  testing::WriteFile("base.txt", "d\n");
  testing::WriteFile("points.txt", "0\tA\n1\tB\n2\tA\n3\tB\n");
  WriteTake("dA.wav", 1000);
  WriteTake("dB.wav", 1000);
  const testing::InputSnapshot inputs({"base.txt", "points.txt", "dA.wav", "dB.wav"});
  std::vector<std::string> expected = FolderListing();
  expected.push_back(kSheet);  // and no settings template
  std::sort(expected.begin(), expected.end());

  const testing::BinaryRun unbuilt = RunBinary(folder.Path(), {"--sheet"});
  EXPECT_EQ(unbuilt.exitStatus, 0) << unbuilt.output;
  EXPECT_EQ(FolderListing(), expected);
  EXPECT_EQ(Count(testing::ReadFile(kSheet), "<article class=\"cut\""), 4u);
  EXPECT_EQ(Count(testing::ReadFile(kSheet), "<audio"), 0u);

  ASSERT_EQ(RunBinary(folder.Path()).exitStatus, 0);
  const testing::BinaryRun built = RunBinary(folder.Path(), {"--sheet"});
  EXPECT_EQ(built.exitStatus, 0) << built.output;
  // The cuts at 1 s and 2 s; the last edit point only marks the end.
  EXPECT_EQ(Count(testing::ReadFile(kSheet), "<audio class=\"player\""), 2u);
  EXPECT_TRUE(inputs.Changed().empty());
}

// Where two edit points share a time, the take heard before the cut is that
// of the last segment, not of the edit point just before.
TEST(CutSheetRun, ACutShowsTheTakeHeardBeforeIt) {
  testing::ScratchDir folder;
  testing::WriteFile("base.txt", "d\n");
  testing::WriteFile("points.txt", "0\tA\n1\tB\n1\tC\n2\tA\n");
  testing::WriteFile("wexmontrc.txt", "xf_all\t100\t1\n");
  for (const char* take : {"dA.wav", "dB.wav", "dC.wav"}) {
    WriteTake(take, 1000);
  }
  ASSERT_EQ(RunBinary(folder.Path(), {"--sheet"}).exitStatus, 0);
  const std::string page = testing::ReadFile(kSheet);
  EXPECT_EQ(Count(page, "dA.wav &#8594; dC.wav"), 1u);
  EXPECT_EQ(Count(page, "dB.wav &#8594;"), 0u);
  EXPECT_EQ(Count(page, "out: dA.wav"), 2u);  // at edit points 2 and 3
  EXPECT_EQ(Count(page, "out: dB.wav"), 0u);
}

}  // namespace
}  // namespace wexmont
