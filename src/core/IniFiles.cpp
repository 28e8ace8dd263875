#include "core/IniFiles.h"
#include "core/AsciiText.h"

#include <algorithm>
#include <system_error>
#include <utility>

#include "core/DotNumberText.h"
#include "core/TextFiles.h"
#include "core/ProgramLog.h"

namespace vt {

namespace {

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return LowerAscii(x) == LowerAscii(y); });
}

std::string OneLine(std::string_view s) {
    std::string out(s);
    std::replace(out.begin(), out.end(), '\r', ' ');
    std::replace(out.begin(), out.end(), '\n', ' ');
    return out;
}

constexpr std::string_view kDefaultValueText = "DefaultValue";

}  // namespace

TMemIniFile_Dot::TMemIniFile_Dot(std::filesystem::path fileName) : FileName_(std::move(fileName)) {
    std::error_code ec;
    if (std::filesystem::exists(FileName_, ec)) SetText(DecodeText(ReadFileBytes(FileName_), &ReadWhole_));
}

void TMemIniFile_Dot::KeepOriginalBeforeRewrite() const {
    if (ReadWhole_ || OriginalKept_) return;
    std::filesystem::path backup = FileName_;
    backup += ".bak";
    std::error_code ec;
    std::filesystem::copy_file(FileName_, backup, std::filesystem::copy_options::overwrite_existing, ec);
    if (ec) throw EFileError("Cannot keep the original of \"" + FileName_.string() + "\": " + ec.message());
    OriginalKept_ = true;
    LogProgramLine("\"" + FileName_.string() + "\" could not be read whole; the original is kept as \"" +
                   backup.string() + "\"");
}

const TMemIniFile_Dot::TSection* TMemIniFile_Dot::FindSection(std::string_view section) const {
    const std::string_view name = TrimWhite(section);
    for (const TSection& s : Sections_)
        if (SameName(s.Name, name)) return &s;
    return nullptr;
}

TMemIniFile_Dot::TSection* TMemIniFile_Dot::FindSection(std::string_view section) {
    return const_cast<TSection*>(std::as_const(*this).FindSection(section));
}

std::string TMemIniFile_Dot::ReadString(std::string_view section, std::string_view key, std::string_view def) const {
    if (const TSection* s = FindSection(section)) {
        const std::string_view name = TrimWhite(key);
        for (const TEntry& e : s->Entries)
            if (SameName(e.Key, name)) return e.Value;
    }
    return std::string(def);
}

void TMemIniFile_Dot::WriteString(std::string_view section, std::string_view key, std::string_view value) {
    TSection* s = FindSection(section);
    if (s == nullptr) {
        Sections_.push_back(TSection{OneLine(TrimWhite(section)), {}, {}});
        s = &Sections_.back();
    }
    const std::string_view name = TrimWhite(key);
    for (TEntry& e : s->Entries) {
        if (SameName(e.Key, name)) {
            e.Value = OneLine(value);
            return;
        }
    }
    s->Entries.push_back(TEntry{OneLine(name), OneLine(value), {}});
}

long long TMemIniFile_Dot::ReadInteger(std::string_view section, std::string_view key, long long def) const {
    long long v = 0;
    return ValueExists(section, key) && TryStrToInt(ReadString(section, key, ""), v) ? v : def;
}

void TMemIniFile_Dot::WriteInteger(std::string_view section, std::string_view key, long long value) {
    WriteString(section, key, std::to_string(value));
}

bool TMemIniFile_Dot::ReadBool(std::string_view section, std::string_view key, bool def) const {
    return ReadInteger(section, key, def ? 1 : 0) != 0;
}

void TMemIniFile_Dot::WriteBool(std::string_view section, std::string_view key, bool value) {
    WriteString(section, key, value ? "1" : "0");
}

double TMemIniFile_Dot::ReadFloat(std::string_view section, std::string_view key, double def) const {
    const std::string text = ReadString(section, key, kDefaultValueText);
    if (text == kDefaultValueText) return def;
    return StrToFloatDot(text);
}

double TMemIniFile_Dot::ReadFloatOrDefault(std::string_view section, std::string_view key, double def,
                                           const TBadEntryReport& report) const {
    try {
        return ReadFloat(section, key, def);
    } catch (const EConvertError&) {
        if (report) {
            const std::string file = FileName_.empty() ? std::string("ini file") : FileName_.filename().string();
            report(file + ": [" + std::string(TrimWhite(section)) + "] " + std::string(TrimWhite(key)) + "=" +
                   ReadString(section, key, "") + " is not a number; the default " + FloatToStrDot(def) +
                   " is used");
        }
        return def;
    }
}

void TMemIniFile_Dot::WriteFloat(std::string_view section, std::string_view key, double value) {
    WriteString(section, key, FloatToStrDot(value));
}

bool TMemIniFile_Dot::SectionExists(std::string_view section) const { return FindSection(section) != nullptr; }

bool TMemIniFile_Dot::ValueExists(std::string_view section, std::string_view key) const {
    if (const TSection* s = FindSection(section)) {
        const std::string_view name = TrimWhite(key);
        return std::any_of(s->Entries.begin(), s->Entries.end(), [&](const TEntry& e) { return SameName(e.Key, name); });
    }
    return false;
}

std::vector<std::string> TMemIniFile_Dot::ReadSections() const {
    std::vector<std::string> names;
    for (const TSection& s : Sections_) names.push_back(s.Name);
    return names;
}

std::vector<std::string> TMemIniFile_Dot::ReadSection(std::string_view section) const {
    std::vector<std::string> keys;
    if (const TSection* s = FindSection(section))
        for (const TEntry& e : s->Entries) keys.push_back(e.Key);
    return keys;
}

std::vector<std::string> TMemIniFile_Dot::ReadSectionValues(std::string_view section) const {
    std::vector<std::string> lines;
    if (const TSection* s = FindSection(section))
        for (const TEntry& e : s->Entries) lines.push_back(e.Key + "=" + e.Value);
    return lines;
}

void TMemIniFile_Dot::EraseSection(std::string_view section) {
    if (const TSection* s = FindSection(section)) Sections_.erase(Sections_.begin() + (s - Sections_.data()));
}

void TMemIniFile_Dot::DeleteKey(std::string_view section, std::string_view key) {
    TSection* s = FindSection(section);
    if (s == nullptr) return;
    const std::string_view name = TrimWhite(key);
    const auto it = std::find_if(s->Entries.begin(), s->Entries.end(), [&](const TEntry& e) { return SameName(e.Key, name); });
    if (it == s->Entries.end()) return;
    // The lines above the entry may belong to what follows: they stay.
    std::vector<std::string>& keep = std::next(it) != s->Entries.end() ? std::next(it)->LinesBefore : s->LinesAfter;
    keep.insert(keep.begin(), it->LinesBefore.begin(), it->LinesBefore.end());
    s->Entries.erase(it);
}

void TMemIniFile_Dot::Clear() {
    Sections_.clear();
    LinesBeforeSections_.clear();
}

std::string TMemIniFile_Dot::GetText() const {
    std::string text;
    const auto line = [&](std::string_view s) {
        text += s;
        text += '\n';
    };
    for (const std::string& l : LinesBeforeSections_) line(l);
    for (const TSection& s : Sections_) {
        line("[" + s.Name + "]");
        for (const TEntry& e : s.Entries) {
            for (const std::string& l : e.LinesBefore) line(l);
            line(e.Key + "=" + e.Value);
        }
        for (const std::string& l : s.LinesAfter) line(l);
    }
    return text;
}

void TMemIniFile_Dot::SetText(std::string_view text) {
    Clear();
    TSection* current = nullptr;
    std::vector<std::string> pending;  // lines not yet placed above an entry
    const auto flush = [&] {
        std::vector<std::string>& to = current != nullptr ? current->LinesAfter : LinesBeforeSections_;
        to.insert(to.end(), pending.begin(), pending.end());
        pending.clear();
    };
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view raw = text.substr(pos, end - pos);
        pos = end + (text.substr(end, 2) == "\r\n" ? 2 : 1);

        const std::string_view t = TrimWhite(raw);
        const std::size_t close = t.find(']');
        if (!t.empty() && t[0] == '[' && close != std::string_view::npos) {
            flush();
            const std::string_view name = TrimWhite(t.substr(1, close - 1));
            current = FindSection(name);
            if (current == nullptr) {
                Sections_.push_back(TSection{std::string(name), {}, {}});
                current = &Sections_.back();
            }
            continue;
        }
        const std::size_t eq = t.find('=');
        if (current == nullptr || t.empty() || t[0] == ';' || eq == std::string_view::npos) {
            pending.emplace_back(raw);
            continue;
        }
        // Lines held after the entries so far now lie between two entries.
        std::vector<std::string> before = std::move(current->LinesAfter);
        current->LinesAfter.clear();
        before.insert(before.end(), pending.begin(), pending.end());
        pending.clear();
        current->Entries.push_back(
            TEntry{std::string(TrimWhite(t.substr(0, eq))), std::string(TrimWhite(t.substr(eq + 1))), std::move(before)});
    }
    flush();
}

void TMemIniFile_Dot::UpdateFile() const {
    if (FileName_.empty()) throw EFileError("Cannot write the ini file: it has no file name");
    KeepOriginalBeforeRewrite();
    WriteFileAtomic(FileName_, GetText());
}

TIniFile_Dot::TIniFile_Dot(std::filesystem::path fileName) : TMemIniFile_Dot(std::move(fileName)) {}

void TIniFile_Dot::WriteString(std::string_view section, std::string_view key, std::string_view value) {
    TMemIniFile_Dot::WriteString(section, key, value);
    UpdateFile();
}

void TIniFile_Dot::EraseSection(std::string_view section) {
    TMemIniFile_Dot::EraseSection(section);
    UpdateFile();
}

void TIniFile_Dot::DeleteKey(std::string_view section, std::string_view key) {
    TMemIniFile_Dot::DeleteKey(section, key);
    UpdateFile();
}

}  // namespace vt
