#include "wav/marker_chunks.h"

#include <utility>

#include "foundation/byte_pack.h"

namespace wexmont {
namespace {

constexpr size_t kIdBytes = 4;
constexpr size_t kSizeFieldBytes = 4;  // after the id
// An ltxt ends in four 16-bit fields (country, language, dialect, code page),
// left unspecified.
constexpr int kRegionLocaleFields = 4;
constexpr uint16_t kUnspecified = 0;

class ChunkBytes {
 public:
  std::vector<uint8_t> Take() { return std::move(bytes_); }

  void Id(const char (&id)[5]) { bytes_.insert(bytes_.end(), id, id + kIdBytes); }
  void U16(uint16_t value) {
    bytes_.resize(bytes_.size() + sizeof value);
    Store16LE(&bytes_[bytes_.size() - sizeof value], value);
  }
  void U32(uint32_t value) {
    bytes_.resize(bytes_.size() + sizeof value);
    Store32LE(&bytes_[bytes_.size() - sizeof value], value);
  }
  void Text(const std::string& text) { bytes_.insert(bytes_.end(), text.begin(), text.end()); }
  void Byte(uint8_t value) { bytes_.push_back(value); }

  // Starts a chunk whose size is filled in by End.
  size_t Begin(const char (&id)[5]) {
    Id(id);
    U32(0);
    return bytes_.size();
  }
  // Sets the size of the chunk begun at `payload` and adds its pad byte.
  void End(size_t payload) {
    const size_t size = bytes_.size() - payload;
    Store32LE(&bytes_[payload - kSizeFieldBytes], static_cast<uint32_t>(size));
    if (size % 2 != 0) {
      Byte(0);
    }
  }

 private:
  std::vector<uint8_t> bytes_;
};

uint32_t CueId(size_t index) {
  return static_cast<uint32_t>(index + 1);
}

void AddCueChunk(ChunkBytes& out, std::span<const CutMarker> markers) {
  const size_t payload = out.Begin("cue ");
  out.U32(static_cast<uint32_t>(markers.size()));
  for (size_t k = 0; k < markers.size(); ++k) {
    const uint32_t frame = static_cast<uint32_t>(markers[k].frame);
    out.U32(CueId(k));
    out.U32(frame);  // position: readers take it for the frame
    out.Id("data");
    out.U32(0);  // chunk start
    out.U32(0);  // block start
    out.U32(frame);
  }
  out.End(payload);
}

void AddLabel(ChunkBytes& out, uint32_t cueId, const std::string& label) {
  const size_t payload = out.Begin("labl");
  out.U32(cueId);
  out.Text(label.substr(0, label.find('\0')));
  out.Byte(0);
  out.End(payload);
}

void AddRegion(ChunkBytes& out, uint32_t cueId, int64_t frames) {
  const size_t payload = out.Begin("ltxt");
  out.U32(cueId);
  out.U32(static_cast<uint32_t>(frames));
  out.Id("rgn ");
  for (int field = 0; field < kRegionLocaleFields; ++field) {
    out.U16(kUnspecified);
  }
  out.End(payload);
}

void AddAssociatedData(ChunkBytes& out, std::span<const CutMarker> markers) {
  const size_t payload = out.Begin("LIST");
  out.Id("adtl");
  for (size_t k = 0; k < markers.size(); ++k) {
    AddLabel(out, CueId(k), markers[k].label);
    if (markers[k].regionFrames > 0) {
      AddRegion(out, CueId(k), markers[k].regionFrames);
    }
  }
  out.End(payload);
}

}  // namespace

std::vector<uint8_t> BuildMarkerChunks(std::span<const CutMarker> markers) {
  if (markers.empty()) {
    return {};
  }
  ChunkBytes out;
  AddCueChunk(out, markers);
  AddAssociatedData(out, markers);
  return out.Take();
}

}  // namespace wexmont
