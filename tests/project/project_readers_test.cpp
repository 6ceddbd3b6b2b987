#include <gtest/gtest.h>
#include <unistd.h>

#include "driver/project_checks.h"
#include "foundation/console.h"
#include "project/crossfade_params.h"
#include "project/track_lists.h"
#include "tests/support/project_files.h"
#include "tests/support/scratch_dir.h"

namespace wexmont {
namespace {

using testing::ReadFile;
using testing::ScratchDir;
using testing::WriteFile;

TEST(ReadTrackList, TakesEveryNonEmptyLineByteForByte) {
  const std::pair<std::string, NameTable> cases[] = {
      {"drums\n\n\nbass", {"drums", "bass"}},
      // CR LF ends a line; a CR elsewhere and every other byte are part of the name.
      {"\xEF\xBB\xBF\n\nlead vox\t2 \r\nbass\rx\r\n\r\n", {"lead vox\t2 ", "bass\rx"}},
      {"", {}},
  };
  ScratchDir dir;
  for (const auto& [text, names] : cases) {
    WriteFile("base.txt", text);
    int32_t count = -1;
    NameTable read;
    ReadTrackList(count, read, kNameSlotBytes);
    EXPECT_EQ(read, names) << text;
    EXPECT_EQ(count, static_cast<int32_t>(names.size())) << text;
  }
}

struct EditListCase {
  std::string text;
  NameTable names;
  std::vector<float> times;
};

TEST(ReadEditList, PairsEachTimeWithTheTextAfterItsTab) {
  const EditListCase cases[] = {
      {"0\tA\n\n1.5\tB", {"A", "B"}, {0.0f, 1.5f}},
      {"12.25\tlead vox 2\r\n", {"lead vox 2"}, {12.25f}},
      {" 1e1 \tA\t\tB \n \t \n", {"A\t\tB "}, {10.0f}},
  };
  ScratchDir dir;
  for (const EditListCase& c : cases) {
    WriteFile("points.txt", c.text);
    int32_t count = -1;
    NameTable names;
    EditTimes times{};
    ReadEditList(count, names, kNameSlotBytes, times);
    EXPECT_EQ(names, c.names) << c.text;
    ASSERT_EQ(count, static_cast<int32_t>(c.times.size())) << c.text;
    EXPECT_EQ(std::vector<float>(times.begin(), times.begin() + count), c.times) << c.text;
  }
}

// "length/type" of the default, then of tracks 1 to 3 after the default spread.
std::string ReadSettings(int32_t expectedResult) {
  RunTables run;
  EXPECT_EQ(ReadCrossfadeParams(run.crossfadeType, run.crossfadeLength, run.defaultCrossfadeType,
                                run.defaultCrossfadeLength),
            expectedResult);
  SpreadDefaultCrossfade(run);
  char text[128];
  std::snprintf(text, sizeof text, "%g/%d | %g/%d %g/%d %g/%d", run.defaultCrossfadeLength,
                run.defaultCrossfadeType, run.crossfadeLength[0], run.crossfadeType[0],
                run.crossfadeLength[1], run.crossfadeType[1], run.crossfadeLength[2],
                run.crossfadeType[2]);
  return text;
}

TEST(ReadCrossfadeParams, ReadsTabSeparatedKeywordsAndLaterLinesWin) {
  const std::pair<std::string, std::string> cases[] = {
      {"xf_all\t200\t1\nxf_tr\t2\t50\t3\n", "200/1 | 200/1 50/3 200/1"},
      {"xf_all\t200\t1)\n", "200/1 | 200/1 200/1 200/1"},
      {"xf_all 200 1\nxf_tr 1 5 2\n", "0/0 | 0/0 0/0 0/0"},
      // A track whose own type is 0 takes the default; a default of type 0 spreads nothing.
      {"xf_all\t1\t2\nxf_tr\t1\t5\t1\nxf_all\t300\t4\nxf_tr\t1\t7\t2\nxf_tr\t3\t9\t0",
       "300/4 | 7/2 300/4 300/4"},
      {"note\txf_all\t250\t0\nxf_tr\t2\t10.5\t1x", "250/0 | 0/0 10.5/1 0/0"},
  };
  ScratchDir dir;
  for (const auto& [text, settings] : cases) {
    WriteFile("wexmontrc.txt", text);
    EXPECT_EQ(ReadSettings(0), settings) << text;
  }
}

TEST(ReadCrossfadeParams, WritesTheTemplateSilentlyAndReadsItAsNoCrossfades) {
  ScratchDir dir;
  ::testing::internal::CaptureStdout();
  EXPECT_EQ(ReadSettings(1), "0/0 | 0/0 0/0 0/0");
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
  EXPECT_EQ(ReadFile("wexmontrc.txt"),
            "Parameters file for wexmont - remove parenthesis to use\n\nSet all tracks the same:\n"
            "(xf_all\t200\t1)\n\nTweak individual tracks\n(xf_tr\t1\t200\t1)\n");
  EXPECT_EQ(ReadSettings(0), "0/0 | 0/0 0/0 0/0");
}

TEST(ReadCrossfadeParams, ATemplateThatCannotBeWrittenEndsTheRun) {
  ScratchDir dir;
  ASSERT_EQ(::rmdir(dir.Path().c_str()), 0);  // the current directory is gone
  CrossfadeTypes types{};
  CrossfadeLengths lengths{};
  int32_t defaultType = 0;
  float defaultLength = 0;
  EXPECT_THROW(ReadCrossfadeParams(types, lengths, defaultType, defaultLength), RunStop);
}

}  // namespace
}  // namespace wexmont
