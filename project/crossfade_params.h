// The crossfade parameter file "wexmontrc.txt", or its template.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "project/decimal.h"

namespace wexmont {

constexpr size_t kCrossfadeSlots = 1024;
constexpr size_t kParameterFileLimit = 1024;
constexpr const char* kParameterFile = "wexmontrc.txt";

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

// A crossfade length in milliseconds as the file gives it: exact where it is
// written as a plain decimal number, otherwise as the C library reads it.
struct CrossfadeLength {
  float milliseconds = 0.0f;
  std::optional<Decimal> exact;
};

// A track's crossfade, or the xf_all default.
struct CrossfadeChoice {
  int32_t type = 0;  // 0 none, 1 to 4 a curve
  CrossfadeLength length;
};

// What the parameter file sets.
struct CrossfadeParams {
  bool fileMissing = false;
  std::string text;  // with plain line ends; empty when missing
  CrossfadeChoice all;
  std::array<CrossfadeChoice, kCrossfadeSlots> tracks{};  // as xf_tr lines set them
  bool cutMarkers = false;  // "markers TAB 1": cue points and regions in every output

  // Track slot `t`'s crossfade: its own unless it has type 0 and xf_all sets
  // a curve.
  CrossfadeChoice OfTrack(size_t t) const;
};

// Reads "xf_all", "xf_tr" and "markers" lines; later lines win. When the file is
// missing, writes the template if asked to.
CrossfadeParams ReadCrossfadeParams(MissingParameterFile whenMissing);

}  // namespace wexmont
