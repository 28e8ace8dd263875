#include "core/TextHelpers.h"

#include <algorithm>

namespace vt {

std::string StripParentheses(std::string_view text) {
    const std::size_t open = text.find('(');
    if (open == std::string_view::npos) return std::string(text);
    const std::size_t close = text.find(')', open);
    if (close == std::string_view::npos) return std::string(text);
    return std::string(text.substr(0, open)) + std::string(text.substr(close + 1));
}

std::string RemoveBlanks(std::string_view text) {
    std::string s(text);
    std::erase(s, ' ');
    return s;
}

std::string FileNameEscaped(std::string_view text) {
    static constexpr char Hex[] = "0123456789ABCDEF";
    std::string out;
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        const bool kept = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '{' ||
                          c == '}' || c == '-';
        if (kept) {
            out += ch;
        } else {
            out += '%';
            out += Hex[c >> 4];
            out += Hex[c & 0xF];
        }
    }
    return out;
}

std::string ReplyLine(std::string_view text) {
    std::string line;
    for (char c : text) {
        if (c == '\n') continue;
        line += c == '\r' ? ' ' : c;
    }
    return line;
}

void StrToWideBuf(char16_t* field, int n, std::u16string_view text) {
    if (field == nullptr || n < 0) return;
    const std::size_t size = static_cast<std::size_t>(n) + 1;
    std::fill(field, field + size, u'\0');
    std::copy_n(text.begin(), std::min(size, text.size()), field);
}

int ParseIntList(std::string_view text, std::span<std::int32_t> values) {
    int count = 0;
    std::size_t i = 0;
    const auto isSeparator = [](char c) { return c == ' ' || c == '\t' || c == ','; };
    const auto hexValue = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') c = static_cast<char>(c - 32);
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    };
    while (static_cast<std::size_t>(count) < values.size()) {
        while (i < text.size() && isSeparator(text[i])) ++i;
        if (i == text.size()) break;
        std::uint64_t v = 0;
        int significant = 0;
        bool any = false;
        while (i < text.size() && hexValue(text[i]) >= 0) {
            v = (v << 4) | static_cast<std::uint64_t>(hexValue(text[i]));
            if (v != 0) ++significant;
            any = true;
            ++i;
        }
        // Another character, or a number too long for 32 bits, ends the list as an error.
        if (!any || significant > 8 || (i < text.size() && !isSeparator(text[i]))) return -count;
        values[static_cast<std::size_t>(count++)] = static_cast<std::int32_t>(static_cast<std::uint32_t>(v));
    }
    return count;
}

}  // namespace vt
