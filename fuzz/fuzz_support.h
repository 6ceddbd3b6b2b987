// Pieces shared by the fuzz targets: a private working folder, quiet standard
// output, and the split of one fuzz input into several files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace wexmont::fuzz {

// One input holds several files, separated by this marker: piece 0 is what
// precedes the first marker, piece 1 what follows it, and so on.
constexpr std::string_view kPieceMarker = "~~~~";

std::vector<std::string_view> SplitPieces(const uint8_t* data, size_t size);

// Makes a fresh folder under the system temporary folder the current
// directory of the process, and sends standard output (the run's messages)
// to /dev/null unless WEXMONT_FUZZ_VERBOSE is set.
void EnterWorkFolder();

// Writes `bytes` to `path`; false when the file cannot be written.
bool WriteBytes(const std::string& path, std::string_view bytes);
std::string ReadBytes(const std::string& path);

}  // namespace wexmont::fuzz
