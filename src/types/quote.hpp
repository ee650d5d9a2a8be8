// Names as reprs and messages print them.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tide {

// The name in double quotes, with backslash escapes for the quote, the
// backslash and control characters, so that it reads as a string literal.
std::string quoted(std::string_view name);

// ["a", "b"]: each name quoted, separated by a comma and a blank.
std::string quoted_list(const std::vector<std::string>& names);

}  // namespace tide
