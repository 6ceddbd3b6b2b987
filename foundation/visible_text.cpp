#include "foundation/visible_text.h"

#include <array>
#include <cstdio>

namespace wexmont {
namespace {

constexpr unsigned char kFirstPrintable = 0x20;
constexpr unsigned char kDelete = 0x7f;

}  // namespace

std::string VisibleText(std::string_view text) {
  std::string visible;
  visible.reserve(text.size());
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= kFirstPrintable && byte != kDelete) {
      visible += c;
    } else if (c == '\t') {
      visible += "\\t";
    } else if (c == '\n') {
      visible += "\\n";
    } else if (c == '\r') {
      visible += "\\r";
    } else {
      std::array<char, 5> escape{};
      std::snprintf(escape.data(), escape.size(), "\\x%02X", byte);
      visible += escape.data();
    }
  }
  return visible;
}

}  // namespace wexmont
