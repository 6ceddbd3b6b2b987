// Text put into an HTML page: names from the project files are bytes, any of
// which may be markup or break a URL.
#pragma once

#include <string>
#include <string_view>

namespace wexmont {

// `text` safe inside an element or a quoted attribute: & < > " ' as
// character references, every control byte but tab and line feed shown as
// \xHH, every other byte (UTF-8 included) as it is.
std::string EscapeHtml(std::string_view text);

// A relative URL naming the file at `path`: every byte but letters, digits,
// "-._~" and "/" percent-encoded (so "a:b" is no scheme and "#" no fragment),
// led by "./".
std::string RelativeFileUrl(std::string_view path);

}  // namespace wexmont
