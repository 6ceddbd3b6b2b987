// The time field of an edit list line, as people type it: seconds as one
// decimal number, or minutes and seconds (m:ss), or hours, minutes and
// seconds (h:mm:ss), the seconds with decimals if wanted.
#pragma once

#include <optional>
#include <string_view>

namespace wexmont {

// The time of `field` in seconds, single precision; spaces around it are
// allowed. A decimal number (optional sign, decimals and exponent) converts
// as it always has. m:ss and h:mm:ss give exactly what their whole number of
// seconds, written out as a decimal number with the same decimals, gives:
// "1:30.1" is the float of "90.1". Nothing when the field is anything else
// ("1,5", "10s", "end", "0x10", "inf", an empty field). A clock time too
// large to count becomes an infinity, refused later like any such time.
std::optional<float> ParseEditTime(std::string_view field);

}  // namespace wexmont
