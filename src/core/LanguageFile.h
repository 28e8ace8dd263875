#pragma once
// Language files: the ini file that holds one language's texts, the syntax of its values and the
// rules by which form texts are named in it.
//
// A language file has a section "Common" (display name, font check line), a section
// "Resource Strings" (the UI-text table) and one section per form. Every key within a section begins
// with the section's name and a colon ("Common:Language", "Resource Strings:rsPeriod").
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "core/IniFiles.h"

namespace vt {

inline constexpr std::string_view kLangFilePrefix = "Language-Vlt.";
inline constexpr std::string_view kLangCommonSection = "Common";
inline constexpr std::string_view kLangResourceSection = "Resource Strings";
inline constexpr std::string_view kLangResourcePrefix = "rs";

// Value syntax. A value is written as it is unless it holds a character below 32, an apostrophe or
// "#", begins or ends with a blank, or begins with a translator's marker; then it is written as quoted
// parts and character codes: 'it''s'#13#10'done'.
std::string WriteLangValue(std::string_view value);
// Removes a leading "/Eng/", then "/In Future/", then "/Not used/", then decodes a value that begins
// with an apostrophe or "#"; any other value is taken as it stands. A malformed quoted value (an
// unclosed quote, "#" without digits, anything between the parts) gives false; `value` then holds
// what was read up to the fault.
bool ReadLangValue(std::string_view raw, std::string& value);

// Lists in one value (".Items", ".Menu"): items joined by ",", an item with a blank, comma, quote or
// control character in double quotes with inner quotes doubled. Unquoted blanks separate items.
std::string LangCommaText(const std::vector<std::string>& items);
std::vector<std::string> LangItemsFromCommaText(std::string_view text);

// Naming of form texts. A control's key is the prefix handed down by its container followed by the
// control's name; a container's key is the prefix followed by its kind's word and its name, and its
// children get the container key + "." as prefix. Full ini keys are section + ":" + key.
enum class TLangContainerKind { RightMenuPanel, Panel, TabControl, GroupBox };

std::string LangControlKey(std::string_view prefix, std::string_view controlName);
std::string LangContainerKey(std::string_view prefix, TLangContainerKind kind, std::string_view name);
std::string LangChildPrefix(std::string_view containerKey);
// The section of a form: its name without the trailing "_1" that a second instance gets.
std::string LangFormSection(std::string_view formName);
std::string LangIniKey(std::string_view section, std::string_view key);

inline constexpr std::string_view kLangCaption = ".Caption";
inline constexpr std::string_view kLangName = "._Name";
inline constexpr std::string_view kLangDimension = ".Dimension";
inline constexpr std::string_view kLangHint = ".Hint";
inline constexpr std::string_view kLangMenu = ".Menu";
inline constexpr std::string_view kLangItems = ".Items";
inline constexpr std::string_view kLangFormControls = "Controls";
inline constexpr std::string_view kLangFormCaption = "Caption";
std::string LangColumnSuffix(int column);  // ".Column[2]"
// The language list of the utility menu is never translated.
inline constexpr std::string_view kLangUntranslatedControl = "Menu Panel rmpUtilMain.lbswLanguage";
// What the English file holds for an edit switcher without a handler and for a control of a class
// that has no texts of its own.
inline constexpr std::string_view kLangDimensionUndefined = "Dimension undefined - Switcher is undefinite";
std::string LangUnknownControlText(std::string_view key, std::string_view prefix);

// One language file held in memory. Keys are matched exactly first, so that keys differing only in
// letter case keep separate values; a key without an exact match falls back to the one entry that
// matches it without regard to case, when there is exactly one.
class TLangIniFile : public TMemIniFile_Dot {
public:
    TLangIniFile() = default;
    // Reads the file in the encoding its byte-order mark names, else UTF-8 (Latin-1 where not valid
    // UTF-8). A missing file is an empty one; an unreadable one raises EFileError.
    explicit TLangIniFile(std::filesystem::path fileName);

    // The raw (still encoded) value of the entry section + ":" + key, or false when there is none.
    // Without `allowCaseless` only an exact key matches.
    bool FindRaw(std::string_view section, std::string_view key, std::string& raw,
                 bool allowCaseless = true) const;
    // Appends or replaces the entry with exactly the key section + ":" + key, its value encoded by
    // WriteLangValue.
    void WriteLangString(std::string_view section, std::string_view key, std::string_view value);
    // The whole file as UTF-16 LE with a byte-order mark, written atomically.
    void SaveUtf16() const;
};

}  // namespace vt
