#include "wav/peak_envelope.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <span>

#include "foundation/byte_pack.h"

namespace wexmont {
namespace {

constexpr int64_t kBlockBytes = 65536;  // read at a time, whatever the stretch

// Frame `offset` of the stretch starts column ColumnStart(c) <= offset <
// ColumnStart(c + 1).
struct ColumnSplit {
  int64_t frames;
  int32_t columns;
  int64_t ColumnStart(int32_t column) const { return column * frames / columns; }
};

double FullScaleOf(const SampleFormat& format) {
  return std::ldexp(1.0, format.bitsPerSample - 1);
}

double SampleAt(const uint8_t* bytes, const SampleFormat& format, double fullScale) {
  if (format.kind == SampleKind::kFloat) {
    return LoadFloatLE(bytes);
  }
  return LoadSampleLE(bytes, format.BytesPerSample()) / fullScale;
}

// Every column holding a frame outside the take's audio reaches 0.
void MarkSilence(std::vector<PeakColumn>& peaks, const ColumnSplit& split, int64_t first,
                 int64_t audioFrames) {
  for (int32_t column = 0; column < split.columns; ++column) {
    const int64_t from = first + split.ColumnStart(column);
    const int64_t to = first + split.ColumnStart(column + 1);
    if (from < 0 || to > audioFrames) {
      peaks[column].low = std::min(peaks[column].low, 0.0);
      peaks[column].high = std::max(peaks[column].high, 0.0);
    }
  }
}

// Frames `from` to `to - 1` of the take, all inside its audio.
void ReadAudioPeaks(const TakeSamples& take, std::vector<PeakColumn>& peaks,
                    const ColumnSplit& split, int64_t first, int64_t from, int64_t to) {
  const int32_t bytesPerSample = take.format.BytesPerSample();
  const int64_t bytesPerFrame = int64_t{bytesPerSample} * take.format.channels;
  const int64_t blockFrames = std::max<int64_t>(1, kBlockBytes / bytesPerFrame);
  const double fullScale = FullScaleOf(take.format);
  std::vector<uint8_t> block(static_cast<size_t>(blockFrames * bytesPerFrame));
  int32_t column = 0;
  for (int64_t frame = from; frame < to; frame += blockFrames) {
    const int64_t count = std::min(blockFrames, to - frame);
    const std::span<uint8_t> bytes(block.data(), static_cast<size_t>(count * bytesPerFrame));
    const size_t got = take.file.ReadAt(take.area.DataOffset() + frame * bytesPerFrame, bytes);
    std::fill(bytes.begin() + static_cast<std::ptrdiff_t>(got), bytes.end(), uint8_t{0});
    for (int64_t f = 0; f < count; ++f) {
      while (frame + f - first >= split.ColumnStart(column + 1)) {
        ++column;
      }
      PeakColumn& peak = peaks[column];
      const uint8_t* sample = bytes.data() + f * bytesPerFrame;
      for (int32_t channel = 0; channel < take.format.channels; ++channel) {
        const double value = SampleAt(sample, take.format, fullScale);
        peak.low = std::min(peak.low, value);
        peak.high = std::max(peak.high, value);
        sample += bytesPerSample;
      }
    }
  }
}

}  // namespace

std::vector<PeakColumn> ReadPeakEnvelope(const TakeSamples& take, int64_t first, int64_t frames,
                                         int32_t columns) {
  if (frames <= 0 || columns <= 0) {
    return {};
  }
  const ColumnSplit split{frames, static_cast<int32_t>(std::min<int64_t>(columns, frames))};
  constexpr double kNone = std::numeric_limits<double>::infinity();
  std::vector<PeakColumn> peaks(static_cast<size_t>(split.columns), PeakColumn{kNone, -kNone});
  MarkSilence(peaks, split, first, take.audioFrames);
  const int64_t from = std::max<int64_t>(first, 0);
  const int64_t to = std::min(first + frames, take.audioFrames);
  if (from < to && take.format.BytesPerSample() >= 2 && take.format.channels >= 1) {
    ReadAudioPeaks(take, peaks, split, first, from, to);
  }
  for (PeakColumn& peak : peaks) {  // nothing readable: silence
    if (peak.low > peak.high) {
      peak = PeakColumn{};
    }
  }
  return peaks;
}

}  // namespace wexmont
