#pragma once
// Case and blank rules of command words, item names, ini names and instrument replies: only ASCII
// letters fold, so UTF-8 texts (units, "µ") pass through unchanged whatever the locale.
#include <string>
#include <string_view>

namespace vt {

constexpr bool IsDigit(char c) { return c >= '0' && c <= '9'; }
constexpr char UpperChar(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }
std::string UpperCase(std::string_view text);
// Equal without regard to the case of ASCII letters.
bool SameText(std::string_view a, std::string_view b);
// Without leading and trailing blanks, tabs, line ends and other control characters.
std::string_view TrimWhite(std::string_view s);

}  // namespace vt
