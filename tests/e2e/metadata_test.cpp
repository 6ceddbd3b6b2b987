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
using testing::ReadFile;

const std::string kIxml = "<BWFXML><SCENE>4</SCENE><TAKE>2</TAKE><NOTE>fmt data</NOTE></BWFXML>";

// A bext payload as some writers leave it: every text field full to its last
// byte (no NUL), a time reference above 32 bits, version 0 and an open last
// history line followed by NULs; or cut short of its 602 fixed bytes.
std::string RawBext(size_t size = 644) {
  std::string bext = std::string(256, 'D') + std::string(32, 'O') + std::string(32, 'R') +
                     "2001-02-0304:05:06" + std::string(8 + 2 + 254, '\0');
  Store32LE(reinterpret_cast<uint8_t*>(&bext[342]), 1);  // high word of the time reference
  bext += "A=PCM,F=8000,W=16,M=mono,T=old recorder";
  bext.resize(size, '\0');
  return bext;
}

struct MetadataCase {
  const char* name;
  SampleFormat format;
  std::optional<BroadcastInfo> bext;  // written by libsndfile
  std::string rawBext;                // inserted as it stands
  std::string ixml;
  std::string addedHistory;  // empty: the output carries no bext
};

const BroadcastInfo kRecorder{"Scene 4 take 2",
                              "field recorder",
                              "REC0042",
                              "",
                              "",
                              172800000,  // 01:00:00 at 48 kHz
                              2,
                              std::string(64, 'U'),
                              {-2300, 500, -100, -1800, -2000},
                              "A=ANALOGUE,M=stereo,T=microphone preamp\r\n"};

const MetadataCase kCases[] = {
    {"RecorderTakeWithBextAndIxml",
     {48000, 24, 2},
     kRecorder,
     "",
     kIxml + "\n",
     "A=PCM,F=48000,W=24,M=stereo,T=wexmont\r\n"},
    {"FloatFourChannels",
     {16000, 32, 4, SampleKind::kFloat},
     kRecorder,
     "",
     "",
     "A=IEEE_FLOAT,F=16000,W=32,M=4chan,T=wexmont\r\n"},
    {"FullFieldsAndAnOpenHistoryLine",
     {8000, 16, 1},
     {},
     RawBext(),
     kIxml,
     "\r\nA=PCM,F=8000,W=16,M=mono,T=wexmont\r\n"},
    {"ShortBextIsPassedOver", {8000, 16, 1}, {}, RawBext(600), kIxml, ""},
    {"FirstTakeWithoutMetadata", {8000, 16, 2}, {}, "", "", ""},
};

// Takes A, B and C in `folder`; with metadata, A carries the case's and B a
// bext of its own that no output may carry.
void WriteProject(const std::string& folder, const MetadataCase& c, bool metadata) {
  std::filesystem::create_directory(folder);
  const SampleFormat& f = c.format;
  for (int32_t seed = 0; seed < 3; ++seed) {
    const std::string path = folder + "/t" + std::string(1, static_cast<char>('A' + seed)) + ".wav";
    const int64_t frames = 2 * f.sampleRate;
    const testing::Audio audio{
        f.sampleRate,
        f.channels,
        f.bitsPerSample,
        frames,
        testing::ToneSamples(frames, f.channels, f.bitsPerSample, seed, f.kind),
        f.kind};
    if (metadata && ((seed == 0 && c.bext) || seed == 1)) {
      WriteBroadcastWave(
          path, audio,
          seed == 0 ? *c.bext : BroadcastInfo{.description = "take B", .timeReference = 5});
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

std::string SndfileInfoBroadcast(const std::string& path) {
  FILE* pipe = ::popen(("sndfile-info --broadcast " + path).c_str(), "r");
  std::string text(1 << 16, '\0');
  text.resize(std::fread(text.data(), 1, text.size(), pipe));
  ::pclose(pipe);
  return text;
}

class MetadataTest : public ::testing::TestWithParam<MetadataCase> {};

TEST_P(MetadataTest, OutputCarriesTheFirstTakesChunks) {
  testing::ScratchDir dir;
  const MetadataCase& c = GetParam();
  WriteProject("meta", c, true);
  WriteProject("plain", c, false);
  const std::string before = Today();
  ASSERT_EQ(testing::RunBinary("meta").exitStatus, 0);
  ASSERT_EQ(testing::RunBinary("plain").exitStatus, 0);
  const std::string output = ReadFile("meta/t_bld.wav"), plain = ReadFile("plain/t_bld.wav");

  // The same samples behind a longer header; the chunks before the data chunk.
  const size_t samples = plain.size() - static_cast<size_t>(HeaderBytes(c.format));
  EXPECT_EQ(output.substr(output.size() - samples), plain.substr(plain.size() - samples));
  EXPECT_EQ(Load32LE(reinterpret_cast<const uint8_t*>(output.data()) + 4), output.size() - 8);
  EXPECT_EQ(testing::ReadWithSndfile("meta/t_bld.wav").samples,
            testing::ReadWithSndfile("plain/t_bld.wav").samples);
  EXPECT_EQ(testing::ReadHeaderWithSox("meta/t_bld.wav").frames,
            samples / (c.format.channels * c.format.bitsPerSample / 8));
  if (!c.ixml.empty() && !c.addedHistory.empty()) {
    EXPECT_LT(output.find("bext"), output.find("iXML")) << "the bext chunk comes first";
  }

  EXPECT_EQ(testing::ReadChunkWithSndfile("meta/t_bld.wav", "iXML"),
            c.ixml.empty() ? std::nullopt : std::optional(c.ixml));
  std::optional<BroadcastInfo> expected = testing::ReadBroadcastInfo("meta/tA.wav");
  const std::optional<BroadcastInfo> got = testing::ReadBroadcastInfo("meta/t_bld.wav");
  ASSERT_EQ(got.has_value(), !c.addedHistory.empty());
  if (c.ixml.empty() && !got) {
    EXPECT_EQ(output, plain);  // today's header, byte for byte
  }
  if (!got) {
    return;
  }
  // The take's fields, dated today, without UMID and loudness, and one
  // history line more.
  expected->version = std::min<uint16_t>(expected->version, 1);
  expected->umid = std::string(64, '\0');
  expected->loudness = {};
  expected->codingHistory += c.addedHistory;
  expected->date = got->date == before ? before : Today();
  expected->time = got->time;
  EXPECT_EQ(
      std::tie(got->description, got->originator, got->originatorReference, got->date,
               got->timeReference, got->version, got->umid, got->loudness, got->codingHistory),
      std::tie(expected->description, expected->originator, expected->originatorReference,
               expected->date, expected->timeReference, expected->version, expected->umid,
               expected->loudness, expected->codingHistory));
  EXPECT_EQ(got->time.size(), 8u);
  EXPECT_EQ(got->time[2], ':');
  const std::string info = SndfileInfoBroadcast("meta/t_bld.wav");
  EXPECT_NE(info.find("Description              : " + got->description.substr(0, 10)),
            std::string::npos)
      << info;
  EXPECT_NE(info.find("T=wexmont"), std::string::npos) << info;
}

INSTANTIATE_TEST_SUITE_P(Cases, MetadataTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace wexmont
