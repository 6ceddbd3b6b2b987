// Writes a long project for the benchmarks into a folder: takes of a
// steady tone per take (so every crossfade mixes two different signals), an
// edit list that switches takes at evenly spaced points, crossfade settings,
// and sox_peer.sh, which builds the same tracks with sox (each segment
// trimmed from its take, the pieces spliced with crossfades over the cuts).
//
// Takes are written a few seconds of audio at a time from one precomputed
// buffer, so a project of gigabytes is written at the disk's speed.
// --points-only rewrites only the edit list and sox_peer.sh, so one set of
// takes serves runs with different numbers of edit points.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <numbers>
#include <string>
#include <vector>

#include "foundation/byte_pack.h"
#include "foundation/file_handle.h"
#include "wav/wav_header.h"

namespace {

constexpr double kLevel = 0.5;  // of full scale: two takes never clip in the mix
constexpr int kMaxChannels = 64;
constexpr int64_t kBufferSeconds = 8;      // audio per write; a whole number of tone periods
constexpr double kEndMarginSeconds = 1.0;  // the last edit point lies this far before the end
// Edit times are multiples of 1/1024 s: exact in a float, so both wexmont and
// the sox pipeline place every cut on the same frame.
constexpr double kTimeResolution = 1024.0;
constexpr double kFloatExactLimit = 16777216.0;  // 2^24

struct Settings {
  std::string folder;
  int tracks = 4;
  int takes = 3;
  double minutes = 10.0;
  int edits = 40;
  uint32_t rate = 48000;
  int bits = 24;
  int channels = 2;
  int crossfadeMs = 200;
  int crossfadeType = 1;
  bool floatSamples = false;
  double level = kLevel;
  bool pointsOnly = false;
  int64_t takeJunkBytes = 0;  // a JUNK reserve before each take's data chunk, as DAWs leave
};

void Usage(const char* program) {
  std::fprintf(stderr,
               "usage: %s FOLDER [--tracks N] [--takes N] [--minutes M] [--edits N] [--rate HZ]\n"
               "          [--bits 16|24|32] [--float] [--channels 1-64] [--level L]\n"
               "          [--xfade-ms MS] [--xfade-type 0-4] [--points-only] [--take-junk BYTES]\n"
               "  --float: 32-bit float takes; --level: tone peak, of full scale (default 0.5;\n"
               "  above about 0.7 equal-power crossfades rise beyond full scale)\n",
               program);
}

bool ParseArguments(int argc, char** argv, Settings& settings) {
  if (argc < 2) {
    return false;
  }
  settings.folder = argv[1];
  for (int i = 2; i < argc; ++i) {
    const std::string option = argv[i];
    if (option == "--points-only" || option == "--float") {
      (option == "--float" ? settings.floatSamples : settings.pointsOnly) = true;
      continue;
    }
    if (i + 1 >= argc) {
      return false;
    }
    const char* value = argv[++i];
    if (option == "--tracks") {
      settings.tracks = std::atoi(value);
    } else if (option == "--takes") {
      settings.takes = std::atoi(value);
    } else if (option == "--minutes") {
      settings.minutes = std::atof(value);
    } else if (option == "--edits") {
      settings.edits = std::atoi(value);
    } else if (option == "--rate") {
      settings.rate = static_cast<uint32_t>(std::atol(value));
    } else if (option == "--bits") {
      settings.bits = std::atoi(value);
    } else if (option == "--channels") {
      settings.channels = std::atoi(value);
    } else if (option == "--xfade-ms") {
      settings.crossfadeMs = std::atoi(value);
    } else if (option == "--xfade-type") {
      settings.crossfadeType = std::atoi(value);
    } else if (option == "--take-junk") {
      settings.takeJunkBytes = std::atoll(value);
    } else if (option == "--level") {
      settings.level = std::atof(value);
    } else {
      return false;
    }
  }
  const double seconds = settings.minutes * 60.0;
  return settings.tracks >= 1 && settings.tracks <= 1024 && settings.takes >= 2 &&
         settings.takes <= 26 && seconds > kEndMarginSeconds + 1.0 && settings.edits >= 2 &&
         settings.edits <= 1024 && settings.rate > 0 &&
         (settings.bits == 16 || settings.bits == 24 || settings.bits == 32) &&
         (!settings.floatSamples || settings.bits == 32) && settings.channels >= 1 &&
         settings.channels <= kMaxChannels && settings.level >= 0 && settings.crossfadeMs >= 0 &&
         settings.crossfadeType >= 0 && settings.crossfadeType <= 4 &&
         (settings.takeJunkBytes == 0 ||
          (settings.takeJunkBytes >= 8 && settings.takeJunkBytes % 2 == 0));
}

std::string TrackName(int track) {
  return "trk" + std::to_string(track + 1);
}
std::string TakeName(int take) {
  return std::string(1, static_cast<char>('A' + take));
}

bool WriteText(const std::string& path, const std::string& text) {
  wexmont::FileHandle file = wexmont::FileHandle::CreateEmpty(path);
  return file.IsOpen() &&
         file.WriteAt(0, std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size())) &&
         file.Close();
}

int64_t TakeFrames(const Settings& settings) {
  return static_cast<int64_t>(settings.minutes * 60.0 * settings.rate);
}

bool WriteTake(const std::string& path, const Settings& settings, int toneHz) {
  const int32_t width = settings.bits / 8;
  const int64_t bytesPerFrame = int64_t{width} * settings.channels;
  const int64_t frames = TakeFrames(settings);
  const double fullScale = std::ldexp(1.0, settings.bits - 1) - 1.0;
  const int64_t bufferFrames = kBufferSeconds * settings.rate;
  std::vector<uint8_t> buffer(static_cast<size_t>(bufferFrames * bytesPerFrame));
  for (int64_t n = 0; n < bufferFrames; ++n) {
    const double phase = 2.0 * std::numbers::pi * toneHz * static_cast<double>(n) / settings.rate;
    const double value = settings.level * std::sin(phase);
    for (int32_t c = 0; c < settings.channels; ++c) {
      uint8_t* at = &buffer[static_cast<size_t>((n * settings.channels + c) * width)];
      if (settings.floatSamples) {
        wexmont::StoreFloatLE(at, static_cast<float>(value));
      } else {
        const double held = std::clamp(value * fullScale, -fullScale - 1.0, fullScale);
        wexmont::StoreSampleLE(at, static_cast<int32_t>(std::lround(held)), width);
      }
    }
  }
  const wexmont::SampleKind kind =
      settings.floatSamples ? wexmont::SampleKind::kFloat : wexmont::SampleKind::kInteger;
  // The JUNK reserve (an even size of at least 8 bytes) goes before the data
  // chunk, its last 8 bytes.
  wexmont::WavHeader header = wexmont::BuildHeader(
      {settings.rate, settings.bits, settings.channels, kind}, frames, settings.takeJunkBytes);
  if (settings.takeJunkBytes > 0) {
    const wexmont::WavHeader junk = wexmont::BuildJunkChunk(settings.takeJunkBytes);
    header.insert(header.end() - 8, junk.begin(), junk.end());
  }
  wexmont::FileHandle file = wexmont::FileHandle::CreateEmpty(path);
  if (!file.IsOpen() || !file.WriteAt(0, header)) {
    return false;
  }
  for (int64_t done = 0; done < frames; done += bufferFrames) {
    const int64_t part = std::min(bufferFrames, frames - done);
    const auto bytes = std::span(buffer.data(), static_cast<size_t>(part * bytesPerFrame));
    if (!file.WriteAt(static_cast<int64_t>(header.size()) + done * bytesPerFrame, bytes)) {
      return false;
    }
  }
  return file.Close();
}

// Edit times in seconds, evenly spaced from 0, each exact in a float.
std::vector<double> EditTimes(const Settings& settings) {
  const double lastTime = settings.minutes * 60.0 - kEndMarginSeconds;
  double resolution = kTimeResolution;
  while (lastTime * resolution >= kFloatExactLimit) {
    resolution /= 2.0;
  }
  const double step = std::floor(lastTime / (settings.edits - 1) * resolution) / resolution;
  std::vector<double> times;
  for (int k = 0; k < settings.edits; ++k) {
    times.push_back(k * step);
  }
  return times;
}

std::string PointsText(const Settings& settings, const std::vector<double>& times) {
  std::string text;
  char line[64];
  for (size_t k = 0; k < times.size(); ++k) {
    std::snprintf(line, sizeof line, "%.10f\t%s\n", times[k],
                  TakeName(static_cast<int>(k) % settings.takes).c_str());
    text += line;
  }
  return text;
}

// sox's closest fade for each crossfade curve.
const char* SpliceFade(int crossfadeType) {
  switch (crossfadeType) {
    case 1:
      return "-q";  // quarter sine: constant power
    case 2:
      return "-t";  // triangular: linear
    default:
      return "-h";  // half cosine
  }
}

// One sox command per track: every segment is trimmed from its take in a
// piped sox process, with half a crossfade of excess past each cut, and the
// concatenated pieces are spliced at the cuts.
std::string PeerScript(const Settings& settings, const std::vector<double>& times) {
  std::vector<int64_t> positions;
  for (double t : times) {
    positions.push_back(static_cast<int64_t>(static_cast<long double>(t) * settings.rate));
  }
  const int64_t crossfadeFrames =
      settings.crossfadeType == 0
          ? 0
          : static_cast<int64_t>(static_cast<long double>(settings.crossfadeMs) / 1000.0L *
                                 settings.rate);
  const int64_t excess = crossfadeFrames / 2;
  const size_t segments = positions.size() - 1;
  std::string script =
      "#!/bin/sh\n"
      "# Builds the benchmark project's tracks with sox: each segment trimmed from its take,\n"
      "# the pieces spliced with crossfades over the cuts.\n"
      "set -e\n"
      "cd \"$(dirname \"$0\")\"\n";
  for (int t = 0; t < settings.tracks; ++t) {
    std::string inputs;
    std::string splices;
    int64_t joined = 0;  // frames of the concatenated pieces so far
    for (size_t k = 0; k < segments; ++k) {
      const int64_t start = positions[k] - (k > 0 ? excess : 0);
      const int64_t end = positions[k + 1] + (k + 1 < segments ? excess : 0);
      const std::string take = TrackName(t) + TakeName(static_cast<int>(k) % settings.takes);
      inputs += " \"|sox -V1 " + take + ".wav -t sox - trim " + std::to_string(start) + "s " +
                std::to_string(end - start) + "s\"";
      joined += end - start;
      if (excess > 0 && k + 1 < segments) {
        splices += " " + std::to_string(joined) + "s," + std::to_string(excess) + "s,0";
      }
    }
    script += "sox -V1" + inputs + (settings.floatSamples ? " -e floating-point" : "") + " -b " +
              std::to_string(settings.bits) + " " + TrackName(t) + "_sox.wav";
    if (!splices.empty()) {
      script += std::string(" splice ") + SpliceFade(settings.crossfadeType) + splices;
    }
    script += "\n";
  }
  return script;
}

}  // namespace

int main(int argc, char** argv) {
  Settings settings;
  if (!ParseArguments(argc, argv, settings)) {
    Usage(argv[0]);
    return 2;
  }
  const std::string folder = settings.folder;
  std::error_code ignored;
  std::filesystem::create_directories(folder, ignored);
  const std::vector<double> times = EditTimes(settings);
  if (times.size() > 1 && times[1] <= 0.0) {
    std::fprintf(stderr, "%d edit points do not fit takes of %.2f minutes\n", settings.edits,
                 settings.minutes);
    return 2;
  }
  std::string baseText;
  for (int t = 0; t < settings.tracks; ++t) {
    baseText += TrackName(t) + "\n";
  }
  const std::string rcText = "xf_all\t" + std::to_string(settings.crossfadeMs) + "\t" +
                             std::to_string(settings.crossfadeType) + "\n";
  bool written = WriteText(folder + "/base.txt", baseText) &&
                 WriteText(folder + "/wexmontrc.txt", rcText) &&
                 WriteText(folder + "/points.txt", PointsText(settings, times)) &&
                 WriteText(folder + "/sox_peer.sh", PeerScript(settings, times));
  for (int t = 0; t < settings.tracks && !settings.pointsOnly; ++t) {
    for (int k = 0; k < settings.takes && written; ++k) {
      const int toneHz = 110 + 40 * k + 7 * t;
      written = WriteTake(folder + "/" + TrackName(t) + TakeName(k) + ".wav", settings, toneHz);
    }
  }
  if (!written) {
    std::fprintf(stderr, "cannot write the benchmark project into %s\n", folder.c_str());
    return 1;
  }
  return 0;
}
