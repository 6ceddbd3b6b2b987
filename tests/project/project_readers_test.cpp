#include <gtest/gtest.h>
#include <unistd.h>

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
  const std::pair<std::string, std::vector<std::string>> cases[] = {
      {"drums\n\n\nbass", {"drums", "bass"}},
      // CR LF ends a line; a CR elsewhere and every other byte are part of the name.
      {"\xEF\xBB\xBF\n\nlead vox\t2 \r\nbass\rx\r\n\r\n", {"lead vox\t2 ", "bass\rx"}},
      {"", {}},
  };
  ScratchDir dir;
  for (const auto& [text, names] : cases) {
    WriteFile("base.txt", text);
    EXPECT_EQ(ReadTrackList(), names) << text;
  }
}

struct EditListCase {
  std::string text;
  std::vector<std::string> takes;
  std::vector<std::string> times;  // as typed
  std::vector<size_t> lines;
};

TEST(ReadEditList, PairsEachTimeWithTheTextAfterItsTab) {
  const EditListCase cases[] = {
      {"0\tA\n\n1.5\tB", {"A", "B"}, {"0", "1.5"}, {1, 3}},
      {"12.25\tlead vox 2\r\n", {"lead vox 2"}, {"12.25"}, {1}},
      // Blanks after a take name are not part of it; a tab inside it is.
      {" 1e1 \tA\t\tB \n \t \n", {"A\t\tB"}, {"1e1"}, {1}},
      {"0\tTake 1 \t\n", {"Take 1"}, {"0"}, {1}},
      // Comments, and label lines as editors export them: start, end, name; a
      // spectral label's frequency line is skipped.
      {"# comp of day 2\n  # retake\n0\tA\n", {"A"}, {"0"}, {3}},
      {"\xEF\xBB\xBF"
       "12.500000\t12.500000\tB\r\n\\\t100.0\t2000.0\r\n20.000000\t21.000000\tC\r\n",
       {"B", "C"},
       {"12.500000", "20.000000"},
       {1, 3}},
      // A second field that is no time leaves the line as it always was.
      {"3\tA\tB\n", {"A\tB"}, {"3"}, {1}},
      {"@16800\tA\n", {"A"}, {"@16800"}, {1}},
  };
  ScratchDir dir;
  for (const EditListCase& c : cases) {
    WriteFile("points.txt", c.text);
    const std::vector<EditPoint> edits = ReadEditList();
    std::vector<std::string> takes, times;
    std::vector<size_t> lines;
    for (const EditPoint& edit : edits) {
      takes.push_back(edit.take);
      times.push_back(edit.timeText);
      lines.push_back(edit.line);
    }
    EXPECT_EQ(takes, c.takes) << c.text;
    EXPECT_EQ(times, c.times) << c.text;
    EXPECT_EQ(lines, c.lines) << c.text;
  }
}

TEST(ReadEditList, RefusesALineWithItsNumber) {
  const std::pair<std::string, std::string> cases[] = {
      {"0\tA\n5\t4\tB\n", ">> points.txt line 2: \"5\\t4\\tB\" ends before it starts, exiting\n"},
      {"0\tA\n\n1\t  \n",
       ">> points.txt line 3: \"1\\t  \" has no take name after its tab, exiting\n"},
      {"# x\n1,5\tA\n", ">> points.txt line 2: \"1,5\" is not a time, exiting\n"},
      {"0 A\n",
       ">> points.txt line 1: \"0 A\" has no tab between the time and the take name, "
       "exiting\n"},
  };
  ScratchDir dir;
  for (const auto& [text, message] : cases) {
    WriteFile("points.txt", text);
    ::testing::internal::CaptureStdout();
    EXPECT_THROW(ReadEditList(), RunStop) << text;
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), message) << text;
  }
}

// "length/type" of the default, then of tracks 1 to 3 as they take it.
std::string ReadSettings(bool expectMissing) {
  const CrossfadeParams params = ReadCrossfadeParams(MissingParameterFile::kWriteTemplate);
  EXPECT_EQ(params.fileMissing, expectMissing);
  char text[128];
  std::snprintf(text, sizeof text, "%g/%d | %g/%d %g/%d %g/%d", params.all.length.milliseconds,
                params.all.type, params.OfTrack(0).length.milliseconds, params.OfTrack(0).type,
                params.OfTrack(1).length.milliseconds, params.OfTrack(1).type,
                params.OfTrack(2).length.milliseconds, params.OfTrack(2).type);
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
    EXPECT_EQ(ReadSettings(false), settings) << text;
  }
}

TEST(ReadCrossfadeParams, WritesTheTemplateSilentlyAndReadsItAsNoCrossfades) {
  ScratchDir dir;
  ::testing::internal::CaptureStdout();
  EXPECT_EQ(ReadSettings(true), "0/0 | 0/0 0/0 0/0");
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
  EXPECT_EQ(ReadFile("wexmontrc.txt"),
            "Parameters file for wexmont - remove parenthesis to use\n\nSet all tracks the same:\n"
            "(xf_all\t200\t1)\n\nTweak individual tracks\n(xf_tr\t1\t200\t1)\n");
  EXPECT_EQ(ReadSettings(false), "0/0 | 0/0 0/0 0/0");
}

TEST(ReadCrossfadeParams, ATemplateThatCannotBeWrittenEndsTheRun) {
  ScratchDir dir;
  ASSERT_EQ(::rmdir(dir.Path().c_str()), 0);  // the current directory is gone
  EXPECT_THROW(ReadCrossfadeParams(MissingParameterFile::kWriteTemplate), RunStop);
}

}  // namespace
}  // namespace wexmont
