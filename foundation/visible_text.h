// Names from the project files as a message may print them: a control byte
// never reaches the terminal raw, where a carriage return or an escape would
// overprint or recolour the line.
#pragma once

#include <string>
#include <string_view>

namespace wexmont {

// `text` with every control byte shown as an escape (\t, \n, \r, or \xHH for
// the others and DEL); every other byte, UTF-8 included, as it is.
std::string VisibleText(std::string_view text);

}  // namespace wexmont
