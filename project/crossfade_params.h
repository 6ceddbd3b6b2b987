// The crossfade parameter file "wexmontrc.txt", or its template.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace wexmont {

constexpr size_t kCrossfadeSlots = 1024;
constexpr size_t kParameterFileLimit = 1024;
constexpr const char* kParameterFile = "wexmontrc.txt";

using CrossfadeTypes = std::array<int32_t, kCrossfadeSlots>;
using CrossfadeLengths = std::array<float, kCrossfadeSlots>;  // milliseconds

// The text written when the parameter file is missing.
extern const char kParameterTemplate[];

// One "xf_all" or "xf_tr" setting as the file gives it.
struct CrossfadeSetting {
  size_t line = 0;    // of its keyword, counted from 1
  int32_t track = 0;  // 1 to 1024 for xf_tr, 0 for xf_all
  std::string_view length;
  std::string_view type;
};

// Any other word of the file (words end at tabs and line feeds).
struct OtherWord {
  size_t line = 0;
  std::string_view text;
};

struct ParameterWords {
  std::vector<CrossfadeSetting> settings;  // in file order; later ones win
  std::vector<OtherWord> others;
  // "markers TAB 1" switches cut markers in the outputs on, "markers TAB 0"
  // off; the last such line wins. Off when none is given.
  bool cutMarkers = false;
};

// The settings and other words of a parameter text (line ends made plain).
// Ends the run on a keyword that lacks a value, on an xf_tr track number
// outside 1 to 1024, and on a markers value other than 0 or 1.
ParameterWords ParseParameterText(std::string_view text);

// The parameter file's text with plain line ends, or nothing when it is
// missing. Ends the run when it stands there but cannot be read.
std::optional<std::string> ReadParameterText();

// What to do when the parameter file is missing: a build writes the
// template, a check only says that it would.
enum class MissingParameterFile { kWriteTemplate, kLeaveMissing };

// Reads "xf_all" and "xf_tr" lines into the tables and returns 0, or returns
// 1 when the file is missing (after writing the template, if asked to).
int32_t ReadCrossfadeParams(
    CrossfadeTypes& types, CrossfadeLengths& lengths, int32_t& defaultType, float& defaultLength,
    MissingParameterFile whenMissing = MissingParameterFile::kWriteTemplate);

// Whether the parameter file switches cut markers on; not when it is missing.
// Ends the run as ParseParameterText does.
bool ReadCutMarkersSetting();

}  // namespace wexmont
