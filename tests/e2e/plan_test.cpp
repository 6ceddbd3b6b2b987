// The plan through the real binary: edit points cut on the frame their
// digits name, crossfades fitted so the output never jumps, and every row the
// check prints is what the build writes. Each take holds one steady value,
// so every output frame shows which take (or which blend) it came from.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <random>
#include <sstream>

#include "tests/support/project_files.h"
#include "tests/support/scratch_dir.h"
#include "tests/support/sndfile_oracle.h"

namespace wexmont {
namespace {

using testing::RunBinary;
using testing::ScratchDir;

// Takes of one track, mono 16-bit, each a steady value.
void WriteSteadyTakes(const std::map<std::string, double>& values, uint32_t rate, int64_t frames) {
  for (const auto& [name, value] : values) {
    testing::WriteCanonicalTake("t" + name + ".wav", rate, 16, 1,
                                std::vector<double>(static_cast<size_t>(frames), value));
  }
}

std::vector<double> Build(const std::string& points, const std::string& rc) {
  testing::WriteFile("base.txt", "t\n");
  testing::WriteFile("points.txt", points);
  testing::WriteFile("wexmontrc.txt", rc);
  const testing::BinaryRun run = RunBinary(".");
  EXPECT_EQ(run.exitStatus, 0) << run.output;
  return testing::ReadWithSndfile("t_bld.wav").samples;
}

// The frames at which the output's value changes.
std::vector<int64_t> Changes(const std::vector<double>& samples) {
  std::vector<int64_t> frames;
  for (size_t f = 1; f < samples.size(); ++f) {
    if (samples[f] != samples[f - 1]) {
      frames.push_back(static_cast<int64_t>(f));
    }
  }
  return frames;
}

TEST(Plan, CutsLandOnTheFrameTheTimeNames) {
  const std::tuple<uint32_t, const char*, std::vector<int64_t>> cases[] = {
      {48000, "0\tA\n0.35\tB\n1.02\tA\n1.5\tZ\n", {16800, 48960}},
      {44100, "0\tA\n0.35\tB\n1:00.5\tA\n61\tZ\n", {15435, 2668050}},
      {48000, "0.000\tA\n@16800\tB\n1.02\tA\n1.5\tZ\n", {16800, 48960}},
      // A label file as an editor exports it.
      {44100,
       "\xEF\xBB\xBF"
       "0.000000\t0.000000\tA\r\n0.350000\t0.350000\tB\r\n\\\t80.0\t900.0\r\n"
       "1.020000\t1.100000\tA\r\n1.500000\t1.500000\tZ\r\n",
       {15435, 44982}},
  };
  for (const auto& [rate, points, cuts] : cases) {
    ScratchDir dir;
    WriteSteadyTakes({{"A", 1000}, {"B", 2000}, {"Z", 3000}}, rate, 70 * rate);
    EXPECT_EQ(Changes(Build(points, "xf_all\t0\t0\n")), cuts) << points;
  }
}

// A label track as an editor exports it builds what the equivalent edit list
// builds; a label that ends before it starts is refused with its line.
TEST(Plan, LabelFilesBuildAsTheirEditList) {
  const std::pair<const char*, const char*> cases[] = {
      {"0\tA\n0.35\tB\n1.02\tC\n1.9\tZ\n",
       "\xEF\xBB\xBF"
       "0.000000\t0.000000\tA\r\n0.350000\t0.350000\tB\r\n\\\t80.000000\t9000.000000\r\n"
       "1.020000\t1.400000\tC\r\n1.900000\t1.900000\tZ\r\n"},
      {"0\tA\n1\tB\n1.9\tZ\n", "0\t0.5\tA\n1.000000\t1.000000\tB \n1.9\t1.9\tZ\n"},
  };
  for (const auto& [points, labels] : cases) {
    std::string outputs[2];
    for (int k = 0; k < 2; ++k) {
      ScratchDir dir;
      WriteSteadyTakes({{"A", 1000}, {"B", 2000}, {"C", 3000}, {"Z", 0}}, 44100, 90000);
      Build(k == 0 ? points : labels, "xf_all\t20\t1\n");
      outputs[k] = testing::ReadFile("t_bld.wav");
    }
    EXPECT_EQ(outputs[0], outputs[1]) << labels;
  }
  ScratchDir dir;
  WriteSteadyTakes({{"A", 1000}, {"B", 2000}, {"Z", 0}}, 44100, 90000);
  testing::WriteFile("base.txt", "t\n");
  testing::WriteFile("points.txt", "0\t0\tA\n1.5\t1.25\tB\n2\t2\tZ\n");
  testing::WriteFile("wexmontrc.txt", "xf_all\t20\t1\n");
  const testing::BinaryRun run = RunBinary(".");
  EXPECT_EQ(run.exitStatus, 1);
  EXPECT_TRUE(run.output.ends_with(
      ">> points.txt line 2: \"1.5\\t1.25\\tB\" ends before it starts, exiting\n"))
      << run.output;
  EXPECT_FALSE(testing::Exists("t_bld.wav"));
}

double SteepestStep(const std::vector<double>& samples) {
  double steepest = 0;
  for (size_t f = 1; f < samples.size(); ++f) {
    steepest = std::max(steepest, std::abs(samples[f] - samples[f - 1]));
  }
  return steepest;
}

// Segments shorter than their crossfades: the output steps no more than a
// whole crossfade between the same takes, as short as the shortest segment,
// does; overlapping crossfades jumped by most of the full scale.
TEST(Plan, CrossfadesShorterThanTheSetLengthNeverJump) {
  for (const int curve : {1, 2, 3, 4}) {
    ScratchDir dir;
    WriteSteadyTakes({{"A", 10000}, {"B", -10000}, {"Z", 0}}, 8000, 16000);
    const std::string curveText = std::to_string(curve) + "\n";
    // The shortest segment is 50 ms: no crossfade is fitted shorter than that.
    const double whole = SteepestStep(Build("0\tA\n1\tB\n1.9\tZ\n", "xf_all\t50\t" + curveText));
    const double fitted = SteepestStep(
        Build("0\tA\n0.5\tB\n0.6\tA\n0.65\tB\n0.9\tA\n1.9\tZ\n", "xf_all\t500\t" + curveText));
    EXPECT_LE(fitted, whole) << "curve " << curve;
    EXPECT_GT(whole, 0) << "curve " << curve;
  }
}

struct CheckRow {
  int64_t start = 0, end = 0;  // of the segment
  std::string take;
  int64_t crossfadeFirst = -1, crossfadeFrames = 0;
  bool equalPower = false;  // its gains add up to more than 1 inside it
};

// The rows of the check's plan table, up to the row that only marks the end.
std::vector<CheckRow> CheckRows(const std::string& output) {
  std::vector<CheckRow> rows;
  std::istringstream lines(output);
  for (std::string line; std::getline(lines, line);) {
    std::vector<std::string> fields;
    std::istringstream split(line);
    for (std::string field; std::getline(split, field, '\t');) {
      fields.push_back(field);
    }
    if (fields.size() != 7 || fields[0] == "edit" || fields[6] == "end") {
      continue;
    }
    CheckRow row{std::stoll(fields[4]), std::stoll(fields[5]), fields[1]};
    const size_t from = fields[6].find(" from ");
    if (from != std::string::npos) {
      row.crossfadeFrames = std::stoll(fields[6]);
      row.crossfadeFirst = std::stoll(fields[6].substr(from + 6));
      row.equalPower = fields[6].find("equal-power") != std::string::npos;
    }
    rows.push_back(row);
  }
  return rows;
}

// Every row of the check holds in the output: outside crossfades each
// segment frame is its take's value; a crossfade's frames lie between the two
// takes' values (equal power: within the root of their squares), and the
// frames around it are the takes'.
TEST(Plan, TheBuildWritesWhatTheCheckPrints) {
  const std::map<std::string, double> values = {{"A", 8000}, {"B", -8000}, {"C", 3000}, {"Z", 0}};
  std::vector<std::pair<std::string, std::string>> projects = {
      {"0\tA\n0.5\tB\n0.6\tC\n0.65\tA\n0.9\tB\n1.9\tZ\n", "xf_all\t300\t2\n"},
      {"0.2\tA\n0.25\tB\n0.3\tB\n0.7\tC\n@6000\tA\n1:00.95\tZ\n", "xf_all\t300\t2\n"},
      {"0\tA\n0.01\tB\n0.7\tC\n0.7\tA\n1.5\tB\n1.9\tZ\n", "xf_all\t300\t2\n"},
  };
  // And projects drawn at random: times with up to four decimals (some equal),
  // any take, any curve and length.
  std::mt19937 random(20);
  for (int p = 0; p < 12; ++p) {
    std::vector<int> tenths(2 + random() % 9);
    for (int& t : tenths) {
      t = static_cast<int>(random() % 19000);
    }
    std::sort(tenths.begin(), tenths.end());
    std::string points;
    for (const int t : tenths) {
      points += std::to_string(t / 10000) + "." + std::to_string(10000 + t % 10000).substr(1) +
                "\t" + "ABC"[random() % 3] + "\n";
    }
    points += "1.9\tZ\n";
    projects.emplace_back(points, "xf_all\t" + std::to_string(1 + random() % 400) + "\t" +
                                      std::to_string(1 + random() % 4) + "\n");
  }
  for (const auto& [points, rc] : projects) {
    ScratchDir dir;
    WriteSteadyTakes(values, 8000, 16000);
    testing::WriteFile("base.txt", "t\n");
    testing::WriteFile("points.txt", points);
    testing::WriteFile("wexmontrc.txt", rc);
    const std::vector<CheckRow> rows = CheckRows(RunBinary(".", {"--check"}).output);
    const std::vector<double> out = Build(points, rc);
    ASSERT_FALSE(rows.empty()) << points;
    std::vector<bool> blended(out.size(), false);
    for (const CheckRow& row : rows) {
      // A crossfade at the last cut stops at the output's end.
      const int64_t end = std::min<int64_t>(row.crossfadeFirst + row.crossfadeFrames,
                                            static_cast<int64_t>(out.size()));
      for (int64_t f = row.crossfadeFirst; f >= 0 && f < end; ++f) {
        blended[f] = true;
      }
    }
    for (size_t k = 0; k < rows.size(); ++k) {
      const CheckRow& row = rows[k];
      if (row.crossfadeFirst < 0) {
        continue;
      }
      // A blend is truncated toward zero: it may lie one step inside.
      // What fades out is what is heard before the cut: the last segment's take.
      size_t heard = k - 1;
      while (heard > 0 && rows[heard].end == rows[heard].start) {
        --heard;
      }
      const double from = values.at(rows[heard].take.substr(1, 1));
      const double to = values.at(row.take.substr(1, 1));
      const int64_t end = std::min<int64_t>(row.crossfadeFirst + row.crossfadeFrames,
                                            static_cast<int64_t>(out.size()));
      for (int64_t f = row.crossfadeFirst; f < end; ++f) {
        // Equal power keeps |cos x from + sin x to| within the root of the squares.
        const double reach = std::hypot(from, to) + 1;
        ASSERT_TRUE(row.equalPower
                        ? std::abs(out[f]) <= reach
                        : std::min(from, to) - 1 <= out[f] && out[f] <= std::max(from, to) + 1)
            << points << rc << " frame " << f << ": " << out[f];
      }
      const int64_t before = row.crossfadeFirst - 1;
      if (before >= rows.front().start && !blended[before]) {
        EXPECT_EQ(out[before], from) << points << " frame " << before;
      }
      EXPECT_TRUE(from == to || row.crossfadeFrames < 2 || out[row.crossfadeFirst + 1] != from)
          << points;
    }
    for (const CheckRow& row : rows) {
      for (int64_t f = row.start; f < row.end; ++f) {
        if (!blended[f]) {
          ASSERT_EQ(out[f], values.at(row.take.substr(1, 1))) << points << " frame " << f;
        }
      }
    }
  }
}

// Every decision counts a take's frames of audio, never the bytes of a chunk
// stored after them: with or without such a chunk, a take that ends before a
// crossfade would start builds the same output.
TEST(Plan, ChunksAfterTheSamplesChangeNothing) {
  // The crossfade at 1 s would start at frame 7600, inside the chunk's bytes.
  const char* points = "0\tA\n1\tB\n1.9\tZ\n";
  const std::string rc = "xf_all\t100\t2\n";
  std::string outputs[2];
  for (int trailing = 0; trailing < 2; ++trailing) {
    ScratchDir dir;
    WriteSteadyTakes({{"A", 5000}, {"B", -5000}, {"Z", 0}}, 8000, 16000);
    testing::WriteCanonicalTake("tA.wav", 8000, 16, 1, std::vector<double>(7500, 5000.0));
    if (trailing == 1) {
      testing::WriteFile("tA.wav", testing::ReadFile("tA.wav") + "LIST" +
                                       std::string("\0\1\0\0", 4) + std::string(256, 'x'));
    }
    const std::vector<double> out = Build(points, rc);
    EXPECT_EQ(out[7999], 0) << "silence up to the hard cut";
    EXPECT_EQ(out[8000], -5000);
    outputs[trailing] = testing::ReadFile("t_bld.wav");
  }
  EXPECT_EQ(outputs[0], outputs[1]);
}

}  // namespace
}  // namespace wexmont
