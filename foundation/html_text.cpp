#include "foundation/html_text.h"

#include <cstdio>

namespace wexmont {
namespace {

constexpr unsigned char kFirstPrintable = 0x20;
constexpr unsigned char kDelete = 0x7F;
constexpr size_t kEscapeBytes = 8;  // "\xHH" or "%HH" and its NUL

bool IsUnreservedInUrl(unsigned char byte) {
  return (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
         (byte >= '0' && byte <= '9') || byte == '-' || byte == '.' || byte == '_' || byte == '~' ||
         byte == '/';
}

void AppendHex(std::string& out, const char* format, unsigned char byte) {
  char hex[kEscapeBytes];
  std::snprintf(hex, sizeof hex, format, static_cast<unsigned>(byte));
  out += hex;
}

}  // namespace

std::string EscapeHtml(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      default:
        if ((byte < kFirstPrintable && c != '\t' && c != '\n') || byte == kDelete) {
          AppendHex(out, "\\x%02X", byte);
        } else {
          out += c;
        }
    }
  }
  return out;
}

std::string RelativeFileUrl(std::string_view path) {
  std::string out = "./";
  for (const char c : path) {
    const auto byte = static_cast<unsigned char>(c);
    if (IsUnreservedInUrl(byte)) {
      out += c;
    } else {
      AppendHex(out, "%%%02X", byte);
    }
  }
  return out;
}

}  // namespace wexmont
