#include "wav/sample_source.h"

#include <algorithm>

namespace wexmont {

SampleSource SampleSource::Open(const std::string& path, const SampleArea& area) {
  SampleSource source;
  source.path = path;
  source.file = FileHandle::OpenRegularForReading(path);
  if (source.IsOpen()) {
    source.area = area;
    source.fileSize = source.file.Size();
  }
  return source;
}

int64_t SampleSource::AudioFrames(int64_t bytesPerFrame) const {
  return wexmont::AudioFrames(fileSize, *area, bytesPerFrame);
}

const SampleSource& OpenSampleSources::Get(const std::string& path, const SampleArea& area) {
  for (Entry& entry : sources_) {
    if (entry.source->path == path) {
      entry.lastUse = ++uses_;
      return *entry.source;
    }
  }
  if (sources_.size() == kMostOpen) {
    sources_.erase(
        std::min_element(sources_.begin(), sources_.end(),
                         [](const Entry& a, const Entry& b) { return a.lastUse < b.lastUse; }));
  }
  sources_.push_back({std::make_unique<SampleSource>(SampleSource::Open(path, area)), ++uses_});
  return *sources_.back().source;
}

}  // namespace wexmont
