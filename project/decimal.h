// Numbers as typed in the project files, kept exactly: a time of "0.35"
// seconds is 35 x 10^-2, not the binary fraction nearest to it, so that the
// frame it names is the one the digits say at any sample rate.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace wexmont {

struct Decimal {
  bool negative = false;
  std::string digits;    // without leading zeros; empty for zero
  int64_t exponent = 0;  // the value is digits x 10^exponent

  bool IsZero() const { return digits.empty(); }
  // The nearest double, for printing.
  double Approximate() const;
};

// [+-] digits [. digits] [e|E [+-] digits], at least one digit before the
// exponent; nothing for anything else. Exponents beyond any sensible size
// are held at a bound far outside every frame position.
std::optional<Decimal> ParseDecimal(std::string_view text);

// floor(|value| x multiplier x 10^shift), or nothing when it is `limit` or
// more. The sign is the caller's.
std::optional<int64_t> FloorScaled(const Decimal& value, uint64_t multiplier, int64_t shift,
                                   int64_t limit);

// How many decimal digits stand in a row in `text` from `position` on.
size_t DigitsAt(std::string_view text, size_t position);

// -1, 0 or 1 as `a` is less than, equal to or greater than `b`.
int CompareDecimals(const Decimal& a, const Decimal& b);

}  // namespace wexmont
