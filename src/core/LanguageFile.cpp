#include "core/LanguageFile.h"

#include <algorithm>
#include <cstdint>

#include "core/TextFiles.h"

namespace vt {
namespace {

constexpr std::string_view kMarkers[] = {"/Eng/", "/In Future/", "/Not used/"};

char FoldAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool EqualsCaseless(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return FoldAscii(x) == FoldAscii(y); });
}

bool IsControl(char c) { return static_cast<unsigned char>(c) < 32; }

void AppendCodePoint(std::string& out, std::uint32_t cp) {
    std::u16string units;
    if (cp < 0x10000) {
        units += static_cast<char16_t>(cp);
    } else {
        cp -= 0x10000;
        units += static_cast<char16_t>(0xD800 + (cp >> 10));
        units += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    }
    out += Utf16ToUtf8(units);
}

// Reads the part that text[i] opens with a quote character, a doubled quote inside standing for one,
// and moves i past its closing quote; false when the closing quote is missing.
bool ReadQuotedPart(std::string_view text, std::size_t& i, std::string& out) {
    const char quote = text[i++];
    while (i < text.size()) {
        const char c = text[i++];
        if (c != quote) {
            out += c;
        } else if (i < text.size() && text[i] == quote) {
            out += quote;
            ++i;
        } else {
            return true;
        }
    }
    return false;
}

bool NeedsQuoting(std::string_view value) {
    if (value.empty()) return false;
    if (value.front() == ' ' || value.back() == ' ') return true;
    // A value that begins with a translator's marker would lose it when read back.
    for (auto marker : kMarkers)
        if (value.starts_with(marker)) return true;
    return std::any_of(value.begin(), value.end(), [](char c) { return IsControl(c) || c == '\'' || c == '#'; });
}

}  // namespace

std::string WriteLangValue(std::string_view value) {
    if (!NeedsQuoting(value)) return std::string(value);
    std::string out;
    bool open = false;
    for (char c : value) {
        if (IsControl(c)) {
            if (open) out += '\'';
            open = false;
            out += '#';
            out += std::to_string(static_cast<unsigned char>(c));
            continue;
        }
        if (!open) out += '\'';
        open = true;
        out += c;
        if (c == '\'') out += '\'';
    }
    if (open) out += '\'';
    return out;
}

bool ReadLangValue(std::string_view raw, std::string& value) {
    for (auto marker : kMarkers)
        if (raw.starts_with(marker)) raw.remove_prefix(marker.size());
    value.clear();
    if (raw.empty() || (raw.front() != '\'' && raw.front() != '#')) {
        value = raw;
        return true;
    }
    std::size_t i = 0;
    while (i < raw.size()) {
        if (raw[i] == '\'') {
            if (!ReadQuotedPart(raw, i, value)) return false;
        } else if (raw[i] == '#') {
            ++i;
            std::uint32_t code = 0;
            std::size_t digits = 0;
            while (i < raw.size() && raw[i] >= '0' && raw[i] <= '9') {
                code = code * 10 + static_cast<std::uint32_t>(raw[i++] - '0');
                if (++digits > 7) return false;
            }
            if (digits == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
            AppendCodePoint(value, code);
        } else {
            return false;  // text between the parts
        }
    }
    return true;
}

std::string LangCommaText(const std::vector<std::string>& items) {
    if (items.size() == 1 && items[0].empty()) return "\"\"";
    std::string out;
    for (std::size_t n = 0; n < items.size(); ++n) {
        const std::string& item = items[n];
        if (n > 0) out += ',';
        const bool quote = std::any_of(item.begin(), item.end(), [](char c) {
            return static_cast<unsigned char>(c) <= ' ' || c == '"' || c == ',';
        });
        if (!quote) {
            out += item;
            continue;
        }
        out += '"';
        for (char c : item) {
            out += c;
            if (c == '"') out += '"';
        }
        out += '"';
    }
    return out;
}

std::vector<std::string> LangItemsFromCommaText(std::string_view text) {
    std::vector<std::string> items;
    const auto blank = [](char c) { return c != '\0' && static_cast<unsigned char>(c) <= ' '; };
    std::size_t i = 0;
    const auto skipBlanks = [&] {
        while (i < text.size() && blank(text[i])) ++i;
    };
    skipBlanks();
    while (i < text.size()) {
        std::string item;
        if (text[i] == '"') {
            ReadQuotedPart(text, i, item);  // an unclosed quote takes the rest
        } else {
            // A NUL is no blank: it belongs to the item, so the reading always moves on.
            while (i < text.size() && !blank(text[i]) && text[i] != ',') item += text[i++];
        }
        items.push_back(std::move(item));
        skipBlanks();
        if (i < text.size() && text[i] == ',') {
            if (i + 1 == text.size()) items.emplace_back();
            ++i;
            skipBlanks();
        }
    }
    return items;
}

std::string LangControlKey(std::string_view prefix, std::string_view controlName) {
    return std::string(prefix) + std::string(controlName);
}

std::string LangContainerKey(std::string_view prefix, TLangContainerKind kind, std::string_view name) {
    std::string_view word;
    switch (kind) {
        case TLangContainerKind::RightMenuPanel: word = "Menu Panel "; break;
        case TLangContainerKind::Panel: word = "Panel "; break;
        case TLangContainerKind::TabControl: word = "Table Ctrl "; break;
        case TLangContainerKind::GroupBox: word = "Group Box "; break;
    }
    return std::string(prefix) + std::string(word) + std::string(name);
}

std::string LangChildPrefix(std::string_view containerKey) { return std::string(containerKey) + "."; }

std::string LangFormSection(std::string_view formName) {
    if (formName.ends_with("_1")) formName.remove_suffix(2);
    return std::string(formName);
}

std::string LangIniKey(std::string_view section, std::string_view key) {
    return std::string(section) + ":" + std::string(key);
}

std::string LangUnknownControlText(std::string_view key, std::string_view prefix) {
    return "Unknown control " + std::string(key) + " in " + std::string(prefix) + " parent";
}

std::string LangColumnSuffix(int column) { return ".Column[" + std::to_string(column) + "]"; }

// The base class keeps every entry as read, so keys differing only in letter case stay separate.
TLangIniFile::TLangIniFile(std::filesystem::path fileName) : TMemIniFile_Dot(std::move(fileName)) {}

bool TLangIniFile::FindRaw(std::string_view section, std::string_view key, std::string& raw,
                           bool allowCaseless) const {
    const std::string fullKey = LangIniKey(section, key);
    const TSection* s = nullptr;
    for (const TSection& candidate : Sections_)
        if (EqualsCaseless(candidate.Name, section)) {
            s = &candidate;
            break;
        }
    if (s == nullptr) return false;
    const TEntry* caseless = nullptr;
    int caselessCount = 0;
    for (const TEntry& e : s->Entries) {
        if (e.Key == fullKey) {
            raw = e.Value;
            return true;
        }
        if (EqualsCaseless(e.Key, fullKey)) {
            if (caselessCount++ == 0) caseless = &e;
        }
    }
    if (!allowCaseless || caselessCount != 1) return false;
    raw = caseless->Value;
    return true;
}

void TLangIniFile::WriteLangString(std::string_view section, std::string_view key, std::string_view value) {
    std::string fullKey = LangIniKey(section, key);
    auto s = std::find_if(Sections_.begin(), Sections_.end(), [&](const TSection& c) { return c.Name == section; });
    if (s == Sections_.end()) {
        Sections_.push_back(TSection{std::string(section), {}, {}});
        s = Sections_.end() - 1;
    }
    std::string encoded = WriteLangValue(value);
    for (TEntry& e : s->Entries)
        if (e.Key == fullKey) {
            e.Value = std::move(encoded);
            return;
        }
    s->Entries.push_back(TEntry{std::move(fullKey), std::move(encoded), {}});
}

void TLangIniFile::SaveUtf16() const {
    KeepOriginalBeforeRewrite();
    WriteFileAtomic(FileName_, EncodeUtf16LEWithBom(GetText()));
}

}  // namespace vt
