#pragma once
// The built-in English UI-text table: one row per key, in registration order. The order is the order
// of the written English language file. Rows with an empty text are group headings: they show nothing
// and only divide the English file into groups.
#include <span>
#include <string_view>

namespace vt {

struct TLangTableRow {
    std::string_view Key;
    std::string_view Text;

    bool IsHeading() const { return Text.empty(); }
};

std::span<const TLangTableRow> BuiltInLanguageTable();

}  // namespace vt
