#include "driver/report/cut_sheet.h"

#include <gtest/gtest.h>

#include "foundation/console.h"
#include "foundation/html_text.h"
#include "tests/support/project_files.h"
#include "tests/support/scratch_dir.h"
#include "tests/support/sndfile_oracle.h"

namespace wexmont {
namespace {

using testing::Exists;
using testing::ReadFile;

constexpr uint32_t kRate = 1000;
constexpr int64_t kTakeFrames = 4000;
constexpr int64_t kCanonicalHeader = 44;

// A track of two takes cut at frame 2000 with a crossfade of 200 frames, as
// a plan says it; its takes are written when `writeTakes`.
TrackPlan TwoTakeTrack(const std::string& base, bool writeTakes) {
  TrackPlan track;
  track.number = 1;
  track.baseName = base;
  track.outputName = base + "_bld.wav";
  track.header.format = {kRate, 16, 1, SampleKind::kInteger};
  track.header.frames = 3000;
  track.header.layout.headerBytes = kCanonicalHeader;
  track.header.layout.dataBytes = 3000 * 2;
  track.curve = 1;
  track.crossfadeFrames = 200;
  for (const char* name : {"A", "B", "Z"}) {
    const std::string path = base + name + ".wav";
    if (writeTakes) {
      testing::WriteCanonicalTake(path, kRate, 16, 1, testing::ToneSamples(kTakeFrames, 1, 16, 3));
    }
    track.takes.push_back({path, SampleArea{kCanonicalHeader - 8, std::nullopt}, kTakeFrames});
  }
  track.edits.resize(3);
  track.edits[0] = {0, 0, 2000, 2000, {}};
  track.edits[1] = {1, 2000, 1000, 3000, {CrossfadeOutcome::kMade, 1900, 200, 200, 1}};
  track.edits[2] = {2, 3000, 0, 3000, {}};
  return track;
}

TEST(CutSheet, EveryNameOnThePageIsEscapedAndEveryUrlEncoded) {
  testing::ScratchDir folder;
  const std::string base = "<b>\"x\"&'y' #1?";
  Plan plan;
  plan.editCount = 3;
  plan.tracks.push_back(TwoTakeTrack(base, true));
  plan.notes.push_back({1, 2, "edit 2: <script>alert(1)</script>"});
  testing::WriteFile(plan.tracks[0].outputName, std::string(6044, '\0'));  // as its layout says
  WriteCutSheet(plan);
  const std::string page = ReadFile(kCutSheetFile);
  for (const char* raw : {"<b>", "\"x\"", "<script>alert"}) {
    EXPECT_EQ(page.find(raw), std::string::npos) << raw;
  }
  EXPECT_NE(page.find("&lt;b&gt;&quot;x&quot;&amp;&#39;y&#39; #1?A.wav"), std::string::npos);
  EXPECT_NE(page.find("edit 2: &lt;script&gt;alert(1)&lt;/script&gt;"), std::string::npos);
  EXPECT_NE(page.find("src=\"./%3Cb%3E%22x%22%26%27y%27%20%231%3F_bld.wav#t=1.000000,3.000000\""),
            std::string::npos);
}

TEST(CutSheet, RelativeUrlsNameTheFileWhateverItsBytes) {
  const std::pair<const char*, const char*> cases[] = {
      {"drums_bld.wav", "./drums_bld.wav"},       {"a:b.wav", "./a%3Ab.wav"},  // no scheme
      {"take #2?.wav", "./take%20%232%3F.wav"},   {"sub/dir~x-y.wav", "./sub/dir~x-y.wav"},
      {"caf\xC3\xA9%.wav", "./caf%C3%A9%25.wav"},
  };
  for (const auto& [path, url] : cases) {
    EXPECT_EQ(RelativeFileUrl(path), url);
  }
}

// A player only on an output of the plan's size: one built from another edit
// list would play other cuts.
TEST(CutSheet, PlayersOnlyOnAnOutputOfThePlansSize) {
  // Output bytes, bytes the layout announces after the samples (cut markers),
  // players expected.
  const std::tuple<int64_t, int64_t, size_t> cases[] = {{-1, 0, 0}, {6044, 0, 1},   {6045, 0, 0},
                                                        {44, 0, 0}, {6144, 100, 1}, {6044, 100, 0}};
  for (const auto& [outputBytes, trailingBytes, players] : cases) {
    SCOPED_TRACE(outputBytes);
    testing::ScratchDir folder;
    Plan plan;
    plan.tracks.push_back(TwoTakeTrack("d", true));
    plan.tracks[0].header.layout.trailingBytes = trailingBytes;
    if (outputBytes >= 0) {
      testing::WriteFile("d_bld.wav", std::string(static_cast<size_t>(outputBytes), '\0'));
    }
    WriteCutSheet(plan);
    const std::string page = ReadFile(kCutSheetFile);
    size_t found = 0;
    for (size_t at = page.find("<audio"); at != std::string::npos;
         at = page.find("<audio", at + 1)) {
      ++found;
    }
    EXPECT_EQ(found, players);
  }
}

// The page is replaced whole: a run that stops while writing it leaves the
// previous page and no partial file.
TEST(CutSheet, AStoppedSheetLeavesThePreviousPage) {
  testing::ScratchDir folder;
  Plan plan;
  plan.tracks.push_back(TwoTakeTrack("drums", false));  // its takes are missing
  testing::WriteFile(kCutSheetFile, "previous");
  EXPECT_THROW(WriteCutSheet(plan), RunStop);
  EXPECT_EQ(ReadFile(kCutSheetFile), "previous");
  EXPECT_FALSE(Exists(std::string(kCutSheetFile) + ".partial"));
}

}  // namespace
}  // namespace wexmont
