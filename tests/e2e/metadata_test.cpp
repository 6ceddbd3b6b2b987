// Outputs carry the bext and iXML chunks of their track's first take: read
// back with libsndfile, sndfile-info and sox, against a build of the same
// takes without metadata.
#include <gtest/gtest.h>

#include <cstdio>
#include <ctime>
#include <filesystem>

#include "foundation/byte_pack.h"
#include "tests/support/project_files.h"
#include "tests/support/scratch_dir.h"
#include "tests/support/sndfile_oracle.h"
#include "wav/wav_header.h"

namespace wexmont {
namespace {

using testing::BroadcastInfo;

const std::string kIxml = "<BWFXML><SCENE>4</SCENE><TAKE>2</TAKE><NOTE>fmt data</NOTE></BWFXML>";

// A bext payload as some writers leave it: text fields full to their last
// byte, a time reference above 32 bits, version 0, and an open last history
// line followed by NULs; or cut short of its 602 fixed bytes.
std::string RawBext(size_t size = 644) {
  std::string bext = std::string(256, 'D') + std::string(32, 'O') + std::string(32, 'R') +
                     "2001-02-0304:05:06" + std::string(264, '\0') + "A=PCM,T=old recorder";
  Store32LE(reinterpret_cast<uint8_t*>(&bext[342]), 1);  // high word of the time reference
  bext.resize(size, '\0');
  return bext;
}

struct MetadataCase {
  const char* name;
  SampleFormat format;
  const char* coding;  // of the history line added to the output's bext; none: no bext
  bool recorderBext;   // a bext written by libsndfile
  std::string rawBext = {}, ixml = {};
};

const MetadataCase kCases[] = {
    {"RecorderTake", {48000, 24, 2}, "PCM,F=48000,W=24,M=stereo", true, "", kIxml + "\n"},
    {"FloatQuad", {16000, 32, 4, SampleKind::kFloat}, "IEEE_FLOAT,F=16000,W=32,M=4chan", true},
    {"FullFields", {8000, 16, 1}, "PCM,F=8000,W=16,M=mono", false, RawBext(), kIxml},
    {"ShortBextIsPassedOver", {8000, 16, 1}, nullptr, false, RawBext(600), kIxml},
    {"FirstTakeWithoutMetadata", {8000, 16, 2}, nullptr, false},
};

// Takes A, B and C in `folder`; with metadata, A carries the case's, and B a
// bext that no output may carry.
void WriteProject(const std::string& folder, const MetadataCase& c, bool metadata) {
  std::filesystem::create_directory(folder);
  const SampleFormat& f = c.format;
  // 01:00:00 at 48 kHz; version 2, with UMID and loudness.
  BroadcastInfo recorder{"Scene 4 take 2", "field recorder", "REC0042", "", "", 172800000, 2};
  recorder.umid.assign(64, 'U');
  recorder.loudness = {-2300, 500, -100, -1800, -2000};
  recorder.codingHistory = "A=ANALOGUE,M=stereo,T=microphone preamp\r\n";
  for (int32_t seed = 0; seed < 3; ++seed) {
    const std::string path = folder + "/t" + static_cast<char>('A' + seed) + ".wav";
    const int64_t n = 2 * f.sampleRate;
    testing::Audio audio{f.sampleRate, f.channels, f.bitsPerSample, n, {}, f.kind};
    audio.samples = testing::ToneSamples(n, f.channels, f.bitsPerSample, seed, f.kind);
    if (metadata && (seed == 1 || (seed == 0 && c.recorderBext))) {
      WriteBroadcastWave(path, audio, seed == 0 ? recorder : BroadcastInfo{.timeReference = 5});
    } else {
      WriteWithSndfile(path, audio);
    }
    for (const auto& [id, payload] : {std::pair{"bext", c.rawBext}, {"iXML", c.ixml}}) {
      if (metadata && seed == 0 && !payload.empty()) {
        testing::InsertFirstChunk(path, id, static_cast<uint32_t>(payload.size()), payload);
      }
    }
  }
  testing::WriteFile(folder + "/base.txt", "t\n");
  testing::WriteFile(folder + "/points.txt", "0.25\tA\n1\tB\n1.5\tC\n");
  testing::WriteFile(folder + "/wexmontrc.txt", "xf_all\t100\t1\n");
}

std::string Today() {
  const std::time_t now = std::time(nullptr);
  char date[16];
  std::strftime(date, sizeof date, "%Y-%m-%d", std::localtime(&now));
  return date;
}

void PrintTo(const MetadataCase& c, std::ostream* out) {
  *out << c.name;
}

class MetadataTest : public ::testing::TestWithParam<MetadataCase> {};

TEST_P(MetadataTest, OutputCarriesTheFirstTakesChunks) {
  testing::ScratchDir dir;
  const MetadataCase& c = GetParam();
  WriteProject("meta", c, true);
  WriteProject("plain", c, false);
  const std::string today = Today();
  ASSERT_EQ(testing::RunBinary("meta").exitStatus, 0);
  ASSERT_EQ(testing::RunBinary("plain").exitStatus, 0);
  const std::string output = testing::ReadFile("meta/t_bld.wav");
  const std::string plain = testing::ReadFile("plain/t_bld.wav");

  // The same samples after a header grown by the carried chunks, bext first
  // (and either may have a JUNK chunk that lines its samples up with the
  // takes' within a 4096-byte block).
  const size_t samples = static_cast<size_t>(testing::ReadWithSndfile("plain/t_bld.wav").frames *
                                             c.format.channels * c.format.BytesPerSample());
  EXPECT_EQ(output.substr(output.size() - samples), plain.substr(plain.size() - samples));
  EXPECT_EQ(Load32LE(reinterpret_cast<const uint8_t*>(output.data()) + 4), output.size() - 8);
  EXPECT_EQ(testing::ReadHeaderWithSox("meta/t_bld.wav").frames,
            testing::ReadWithSndfile("meta/t_bld.wav").frames);
  const size_t bext = output.find("bext"), ixml = output.find("iXML");
  EXPECT_TRUE(bext == std::string::npos || bext < ixml);
  EXPECT_EQ(ixml == std::string::npos ? "" : output.substr(ixml + 8, c.ixml.size()), c.ixml);

  std::optional<BroadcastInfo> expected = testing::ReadBroadcastInfo("meta/tA.wav");
  const std::optional<BroadcastInfo> got = testing::ReadBroadcastInfo("meta/t_bld.wav");
  if (c.coding == nullptr) {  // no bext; without an iXML, today's header byte for byte
    EXPECT_FALSE(got);
    EXPECT_TRUE(!c.ixml.empty() || output == plain);
    return;
  }
  ASSERT_TRUE(got && expected);
  // The take's fields, dated by the build, without UMID and loudness, and
  // with one history line more.
  expected->date = got->date == today ? today : Today();
  expected->time = got->time;
  expected->version = std::min<uint16_t>(expected->version, 1);
  expected->umid = std::string(64, '\0');
  expected->loudness = {};
  std::string& history = expected->codingHistory;
  history += history.ends_with('\n') ? "" : "\r\n";
  history += "A=" + std::string(c.coding) + ",T=wexmont\r\n";
  EXPECT_EQ(*got, *expected) << got->description << "\n" << got->codingHistory;
  int hours, minutes, seconds;
  EXPECT_EQ(std::sscanf(got->time.c_str(), "%2d:%2d:%2d", &hours, &minutes, &seconds), 3);
  FILE* info = ::popen("sndfile-info --broadcast meta/t_bld.wav", "r");
  std::string shown(1 << 16, '\0');
  shown.resize(std::fread(shown.data(), 1, shown.size(), info));
  ::pclose(info);
  EXPECT_NE(shown.find("Description              : " + got->description), std::string::npos);
  EXPECT_NE(shown.find("Origination date         : " + today), std::string::npos);
  EXPECT_NE(shown.find(std::string(c.coding) + ",T=wexmont"), std::string::npos) << shown;
}

INSTANTIATE_TEST_SUITE_P(Cases, MetadataTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace wexmont
