// Lines of the parameter file that look like crossfade settings but do not
// set what they seem to: a build reads past them without a word, so a check
// lists them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace wexmont {

struct IgnoredSetting {
  size_t line = 0;       // counted from 1
  std::string lineText;  // the whole line, as typed
  std::string why;       // completes "line N: "text" ..."
};

// Keywords in capitals or with spaces, xf_tr lines for tracks that base.txt
// does not list (`trackCount` tracks), lengths and types that are not
// numbers, and an xf_tr type 0 that the xf_all crossfade replaces. In line
// order, of the parameter file's `text` (with plain line ends).
std::vector<IgnoredSetting> FindIgnoredSettings(const std::string& text, int32_t trackCount);

}  // namespace wexmont
