// The metadata an output carries of its track's first take, so that a DAW
// places the output where the takes were recorded: the Broadcast WAV "bext"
// chunk (description, originator, time reference, coding history) and the
// "iXML" chunk (scene, take and track names). The probe only notes where the
// chunks lie and reads the time reference; the chunks are streamed from the
// take into the output's header when it is written, so their size costs no
// memory.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "foundation/file_handle.h"
#include "wav/chunk_walk.h"
#include "wav/sample_format.h"

namespace wexmont {

// Every field of a bext payload before its coding history.
constexpr int64_t kBextFixedBytes = 602;

// The payload of one chunk of a take.
struct TakeChunk {
  int64_t payloadOffset = 0;
  int64_t payloadSize = 0;
};

// What the probe finds of a take's metadata.
struct TakeMetadata {
  // A whole bext chunk: all of its 602 fixed bytes inside the file. A shorter
  // one is broken, and readers pass it over; so does the build.
  std::optional<TakeChunk> bext;
  std::optional<TakeChunk> ixml;
  // From the bext chunk: the first sample's count of samples since midnight.
  std::optional<uint64_t> timeReference;
};

// The first whole bext and iXML chunks the walk passed. A take whose walk did
// not reach its samples (a broken chunk list) has none.
TakeMetadata FindTakeMetadata(const FileHandle& file, const ChunkWalk& walk);

// What an output carries, and where it comes from.
struct CarriedMetadata {
  std::string takePath;  // the take of edit point 1
  std::optional<TakeChunk> bext;
  // The take's coding history up to its first NUL: what readers show of it.
  int64_t historyBytes = 0;
  // Ends the take's last history line where it is left open, then says that
  // Wexmont assembled the output.
  std::string addedHistory;
  std::optional<TakeChunk> ixml;

  // Bytes the bext and iXML chunks add to a header, pad bytes included.
  int64_t ChunkBytes() const;
};

// What an output of `format` carries of the take at `takePath`; reads the
// take's coding history. Ends the run when the take cannot be read.
CarriedMetadata MetadataToCarry(const std::string& takePath, const TakeMetadata& take,
                                const SampleFormat& format);

// Writes the bext chunk, then the iXML chunk, each with its pad byte after an
// odd size, at `position` of `output`; returns the position after them. The
// output's bext keeps the take's description, originator, originator
// reference and time reference, dates itself with the local time of the
// build, and drops what describes only the take's own material (UMID,
// loudness).
int64_t WriteCarriedMetadata(const FileHandle& output, const std::string& outputPath,
                             int64_t position, const CarriedMetadata& metadata);

}  // namespace wexmont
