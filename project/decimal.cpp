#include "project/decimal.h"

#include <algorithm>
#include <cstdlib>
#include <string>

namespace wexmont {
namespace {

constexpr int64_t kExponentBound = 1000000;  // far beyond any frame position or length
constexpr uint64_t kTen = 10;

// The exponent field's value, held at the bound.
int64_t BoundedExponent(std::string_view digits, bool negative) {
  int64_t value = 0;
  for (const char c : digits) {
    value = std::min<int64_t>(value * 10 + (c - '0'), kExponentBound);
  }
  return negative ? -value : value;
}

// Leading zeros go; trailing zeros move into the exponent.
Decimal Normalised(bool negative, std::string digits, int64_t exponent) {
  const size_t first = digits.find_first_not_of('0');
  if (first == std::string::npos) {
    return Decimal{};
  }
  digits.erase(0, first);
  const size_t last = digits.find_last_not_of('0');
  exponent += static_cast<int64_t>(digits.size() - last - 1);
  digits.erase(last + 1);
  return Decimal{negative, std::move(digits), exponent};
}

// Decimal digits of digits x multiplier.
std::string MultiplyDigits(const std::string& digits, uint64_t multiplier) {
  std::string product;
  uint64_t carry = 0;
  for (size_t k = digits.size(); k-- > 0;) {
    const uint64_t step = static_cast<uint64_t>(digits[k] - '0') * multiplier + carry;
    product.push_back(static_cast<char>('0' + step % kTen));
    carry = step / kTen;
  }
  for (; carry > 0; carry /= kTen) {
    product.push_back(static_cast<char>('0' + carry % kTen));
  }
  std::reverse(product.begin(), product.end());
  return product;
}

// The digit of `value` worth 10^power.
int DigitWorth(const Decimal& value, int64_t power) {
  const int64_t fromTop = static_cast<int64_t>(value.digits.size()) - 1 - (power - value.exponent);
  if (fromTop < 0 || fromTop >= static_cast<int64_t>(value.digits.size())) {
    return 0;
  }
  return value.digits[static_cast<size_t>(fromTop)] - '0';
}

int CompareMagnitudes(const Decimal& a, const Decimal& b) {
  if (a.IsZero() || b.IsZero()) {
    return a.IsZero() == b.IsZero() ? 0 : a.IsZero() ? -1 : 1;
  }
  const int64_t topA = a.exponent + static_cast<int64_t>(a.digits.size());
  const int64_t topB = b.exponent + static_cast<int64_t>(b.digits.size());
  if (topA != topB) {
    return topA < topB ? -1 : 1;
  }
  const int64_t bottom = std::min(a.exponent, b.exponent);
  for (int64_t power = topA - 1; power >= bottom; --power) {
    const int da = DigitWorth(a, power);
    const int db = DigitWorth(b, power);
    if (da != db) {
      return da < db ? -1 : 1;
    }
  }
  return 0;
}

}  // namespace

size_t DigitsAt(std::string_view text, size_t position) {
  size_t count = 0;
  while (position + count < text.size() && text[position + count] >= '0' &&
         text[position + count] <= '9') {
    ++count;
  }
  return count;
}

double Decimal::Approximate() const {
  const std::string text = (negative ? "-" : "") + (digits.empty() ? std::string("0") : digits) +
                           "e" + std::to_string(exponent);
  return std::strtod(text.c_str(), nullptr);
}

std::optional<Decimal> ParseDecimal(std::string_view text) {
  size_t p = 0;
  bool negative = false;
  if (p < text.size() && (text[p] == '+' || text[p] == '-')) {
    negative = text[p++] == '-';
  }
  const size_t whole = DigitsAt(text, p);
  std::string digits(text.substr(p, whole));
  p += whole;
  size_t decimals = 0;
  if (p < text.size() && text[p] == '.') {
    decimals = DigitsAt(text, ++p);
    digits.append(text.substr(p, decimals));
    p += decimals;
  }
  if (whole + decimals == 0) {
    return std::nullopt;
  }
  int64_t exponent = 0;
  if (p < text.size() && (text[p] == 'e' || text[p] == 'E')) {
    ++p;
    bool negativeExponent = false;
    if (p < text.size() && (text[p] == '+' || text[p] == '-')) {
      negativeExponent = text[p++] == '-';
    }
    const size_t exponentDigits = DigitsAt(text, p);
    if (exponentDigits == 0) {
      return std::nullopt;
    }
    exponent = BoundedExponent(text.substr(p, exponentDigits), negativeExponent);
    p += exponentDigits;
  }
  if (p != text.size()) {
    return std::nullopt;
  }
  return Normalised(negative, std::move(digits), exponent - static_cast<int64_t>(decimals));
}

std::optional<int64_t> FloorScaled(const Decimal& value, uint64_t multiplier, int64_t shift,
                                   int64_t limit) {
  if (value.IsZero() || multiplier == 0) {
    return 0;
  }
  const std::string product = MultiplyDigits(value.digits, multiplier);
  const int64_t exponent = value.exponent + shift;
  const int64_t wholeDigits = static_cast<int64_t>(product.size()) + exponent;
  if (wholeDigits <= 0) {
    return 0;
  }
  constexpr int64_t kMostWholeDigits = 18;  // every value below 10^18 fits
  if (wholeDigits > kMostWholeDigits + 1) {
    return std::nullopt;
  }
  uint64_t whole = 0;
  for (int64_t k = 0; k < wholeDigits; ++k) {
    const uint64_t digit =
        k < static_cast<int64_t>(product.size()) ? static_cast<uint64_t>(product[k] - '0') : 0;
    whole = whole * kTen + digit;  // at most 19 digits: fits 64 bits
  }
  if (whole >= static_cast<uint64_t>(limit)) {
    return std::nullopt;
  }
  return static_cast<int64_t>(whole);
}

int CompareDecimals(const Decimal& a, const Decimal& b) {
  const bool aNegative = a.negative && !a.IsZero();
  const bool bNegative = b.negative && !b.IsZero();
  if (aNegative != bNegative) {
    return aNegative ? -1 : 1;
  }
  const int magnitude = CompareMagnitudes(a, b);
  return aNegative ? -magnitude : magnitude;
}

}  // namespace wexmont
