// libsndfile as an independent reader and writer of WAV files: takes laid
// out the way real recorders write them, and outputs read back the way other
// programs will read them. sox as a second reader of the headers.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "wav/sample_format.h"

namespace wexmont::testing {

struct Audio {
  uint32_t sampleRate = 0;
  int32_t channels = 0;
  int32_t bitsPerSample = 0;  // 16, 24 or 32
  int64_t frames = 0;
  std::vector<double> samples;  // interleaved; integers on the width's own scale
  SampleKind kind = SampleKind::kInteger;
};

enum class TakeLayout {
  kPlain,       // RIFF/WAVE with a plain format chunk
  kExtensible,  // WAVE_FORMAT_EXTENSIBLE format chunk
  kWithInfo,    // text metadata chunks written around the audio
  // Broadcast WAV: a bext chunk and an INFO comment before the samples, whose
  // texts hold "data" and "fmt " at even bytes.
  kBroadcast,
  kLateSamples,        // a bext coding history so long that the samples start after byte 15000
  kChunkBeforeFormat,  // an odd-sized iXML chunk and its pad byte before "fmt ", holding "data"
  kBrokenChunk,        // a chunk before "fmt " whose size runs past the end of the file
  kRf64,               // RF64: sizes in its ds64 chunk, a comment after the samples
};

// Writes `audio` with libsndfile. Throws when libsndfile refuses.
void WriteWithSndfile(const std::string& path, const Audio& audio,
                      TakeLayout layout = TakeLayout::kPlain);

// The fields of a bext chunk as libsndfile hands them; text fields hold
// their bytes up to the first NUL or the end of the field.
struct BroadcastInfo {
  std::string description = {}, originator = {}, originatorReference = {}, date = {}, time = {};
  uint64_t timeReference = 0;
  uint16_t version = 0;
  std::string umid = {};              // all 64 bytes
  std::array<int16_t, 5> loudness{};  // value, range, true peak, momentary, short term
  std::string codingHistory = {};

  bool operator==(const BroadcastInfo&) const = default;
};

// Writes `audio` as a Broadcast WAV take with libsndfile, which adds a
// coding history line of its own.
void WriteBroadcastWave(const std::string& path, const Audio& audio, const BroadcastInfo& bext);

// The bext chunk of a file as libsndfile reads it; nothing when it has none.
std::optional<BroadcastInfo> ReadBroadcastInfo(const std::string& path);

// Puts a chunk right after "WAVE", before every other chunk, and counts it
// in the RIFF size.
void InsertFirstChunk(const std::string& path, const std::string& id, uint32_t declaredSize,
                      const std::string& payload);

// Reads a WAV file with libsndfile. Throws when libsndfile cannot open it,
// which makes a malformed output fail the test.
Audio ReadWithSndfile(const std::string& path);
// The same, holding only up to `frameCount` frames from `firstFrame` on in
// its samples; its frame count is that of the whole file.
Audio ReadFramesWithSndfile(const std::string& path, int64_t firstFrame, int64_t frameCount);

// What `sox --i` says of a file: rate, channels, bits, kind and frames (no
// samples). Kind kOther stands for an encoding sox names otherwise.
Audio ReadHeaderWithSox(const std::string& path);

// A cue point as libsndfile reads it (SFC_GET_CUE).
struct CuePoint {
  int32_t id = 0;
  uint32_t position = 0;
  uint32_t sampleOffset = 0;
  std::string chunk = {};  // the fccChunk, "data"

  bool operator==(const CuePoint&) const = default;
};
// The cue points of a file; throws when libsndfile cannot open it.
std::vector<CuePoint> ReadCuePointsWithSndfile(const std::string& path);

// A labl and, where it has one, the ltxt of one cue id, read from the bytes
// of a file's LIST/adtl chunk.
struct CueText {
  uint32_t id = 0;
  std::string label = {};
  uint32_t regionFrames = 0;  // 0: no ltxt
  std::string purpose = {};   // of the ltxt

  bool operator==(const CueText&) const = default;
};
// Walks the file's top-level chunks for LIST/adtl; none when there is none.
std::vector<CueText> ReadCueTextsFromBytes(const std::string& path);

// The sample bytes ffmpeg decodes from a file, in the file's own sample
// format; throws when ffmpeg fails.
std::string DecodeWithFfmpeg(const std::string& path, const std::string& sampleFormat);

// A deterministic test signal: a different tone per seed, interleaved; at
// about half of full scale for integers, at one and a half times full scale
// for floats, which a float take may hold.
std::vector<double> ToneSamples(int64_t frames, int32_t channels, int32_t bitsPerSample,
                                int32_t seed, SampleKind kind = SampleKind::kInteger);

}  // namespace wexmont::testing
