// Writes a small demo project into the folder named on the command line: two
// tracks (drums: 44.1 kHz 16-bit stereo; bass: 48 kHz 24-bit mono), three
// takes each of ten seconds, an edit list that switches takes every three
// seconds, and crossfade settings. Each take holds its own tone, so every
// cut and crossfade can be heard in the outputs.
#include <sys/stat.h>

#include <cmath>
#include <cstdio>
#include <numbers>
#include <string>
#include <vector>

#include "foundation/byte_pack.h"
#include "foundation/file_handle.h"
#include "wav/wav_header.h"

namespace {

constexpr double kTakeSeconds = 10.0;
constexpr double kLevel = 0.5;  // of full scale

struct DemoTrack {
  const char* baseName;
  uint32_t sampleRate;
  int32_t bitsPerSample;
  int32_t channels;
  double baseTone;  // Hz of take A; takes B and C sit a fifth and an octave above
};

bool WriteText(const std::string& path, const std::string& text) {
  wexmont::FileHandle file = wexmont::FileHandle::CreateEmpty(path);
  return file.IsOpen() &&
         file.WriteAt(0, std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size())) &&
         file.Close();
}

bool WriteTake(const std::string& path, const DemoTrack& track, double tone) {
  const int64_t frames = static_cast<int64_t>(kTakeSeconds * track.sampleRate);
  const int32_t width = track.bitsPerSample / 8;
  const double fullScale = width == 2 ? 32767.0 : 8388607.0;
  std::vector<uint8_t> bytes(static_cast<size_t>(frames * width * track.channels));
  for (int64_t n = 0; n < frames; ++n) {
    const double phase = 2.0 * std::numbers::pi * tone * static_cast<double>(n) / track.sampleRate;
    const auto sample = static_cast<int32_t>(std::lround(kLevel * fullScale * std::sin(phase)));
    for (int32_t c = 0; c < track.channels; ++c) {
      wexmont::StoreSampleLE(&bytes[static_cast<size_t>((n * track.channels + c) * width)], sample,
                             width);
    }
  }
  const wexmont::WavHeader header =
      wexmont::BuildHeader({track.sampleRate, track.bitsPerSample, track.channels}, frames);
  wexmont::FileHandle file = wexmont::FileHandle::CreateEmpty(path);
  return file.IsOpen() && file.WriteAt(0, header) &&
         file.WriteAt(static_cast<int64_t>(header.size()), bytes) && file.Close();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
    return 2;
  }
  const std::string folder = argv[1];
  ::mkdir(folder.c_str(), 0777);
  const DemoTrack tracks[] = {{"drums", 44100, 16, 2, 220.0}, {"bass", 48000, 24, 1, 110.0}};
  const char* takes[] = {"A", "B", "C"};
  const double ratios[] = {1.0, 1.5, 2.0};
  bool written = WriteText(folder + "/base.txt", "drums\nbass\n") &&
                 WriteText(folder + "/points.txt", "0\tA\n3\tB\n6\tC\n9.5\tA\n") &&
                 WriteText(folder + "/wexmontrc.txt", "xf_all\t200\t1\nxf_tr\t2\t50\t3\n");
  for (const DemoTrack& track : tracks) {
    for (int i = 0; i < 3; ++i) {
      written = written && WriteTake(folder + "/" + track.baseName + takes[i] + ".wav", track,
                                     track.baseTone * ratios[i]);
    }
  }
  if (!written) {
    std::fprintf(stderr, "cannot write the demo project into %s\n", folder.c_str());
    return 1;
  }
  std::printf("Demo project written to %s\n", folder.c_str());
  return 0;
}
