#include "wav/sample_source.h"

namespace wexmont {

SampleSource SampleSource::Open(const std::string& path, int64_t lastPosition) {
  SampleSource source;
  source.path = path;
  source.file = FileHandle::OpenRegularForReading(path);
  if (source.IsOpen()) {
    source.area = FindSampleArea(source.file, lastPosition);
    source.fileSize = source.file.Size();
  }
  return source;
}

int64_t SampleSource::AudioFrames(int64_t bytesPerFrame) const {
  return wexmont::AudioFrames(fileSize, *area, bytesPerFrame);
}

}  // namespace wexmont
