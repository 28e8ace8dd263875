#pragma once
// Small text helpers: parentheses and blanks taken out, a fixed wide-character field filled, a list
// of hexadecimal numbers read.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace vt {

std::string StripParentheses(std::string_view text);
std::string RemoveBlanks(std::string_view text);
// The text as a file name part: letters, digits, "{", "}" and "-" stay, every other byte is "%XX".
std::string FileNameEscaped(std::string_view text);
// A text of several lines as one reply line: each line break ("\r\n" or "\r") becomes a blank.
std::string ReplyLine(std::string_view text);
// Zero-fills field[0 .. n] (n + 1 wide characters) and copies at most n + 1 characters of the text.
void StrToWideBuf(char16_t* field, int n, std::u16string_view text);
// Hexadecimal numbers separated by runs of tab, blank and ","; returns how many were read, or minus
// that count when another character stopped the reading.
int ParseIntList(std::string_view text, std::span<std::int32_t> values);

}  // namespace vt
