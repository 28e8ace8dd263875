#pragma once
// The UI-text table and the language files: the built-in English texts, overridden from the chosen
// language file; the languages found in the data root; the chosen language, kept per user; the
// writing of the English file; the switch of language while the program runs; the error log.
#include <cstddef>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/LanguageFile.h"

namespace vt {

// Format patterns in translations. A text whose English original holds placeholders is filled in by
// its callers; a translation must take the same arguments (argument index and kind: integer, real,
// text), so that a user's language file can never make a caller's format fail.
bool HasFormatPlaceholders(std::string_view text);
bool SameFormatPlaceholders(std::string_view english, std::string_view translated);

// The UI-text table: case-sensitive keys with their current texts, kept in registration order (the
// order of the written English file).
class TLanguageStrings {
public:
    using TMessage = std::function<void(const std::string&)>;

    explicit TLanguageStrings(TMessage message = {});

    // A duplicate key shows a message and is not added.
    void AddLangStr(std::string_view key, std::string_view text);
    // A key that is not there shows a message.
    void ChangeLangStr(std::string_view key, std::string_view text);
    // The entry's text, or null when the key is not in the table.
    const std::string* Find(std::string_view key) const;
    void Clear();

    std::size_t Count() const { return Entries_.size(); }
    const std::string& Key(std::size_t i) const { return Entries_[i].Key; }
    const std::string& Text(std::size_t i) const { return Entries_[i].Text; }

private:
    struct TLangStr {
        std::string Key;
        std::string Text;
    };
    struct THash {
        using is_transparent = void;
        std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
    };
    std::vector<TLangStr> Entries_;
    std::unordered_map<std::string, std::size_t, THash, std::equal_to<>> Index_;
    TMessage Message_;
};

// The languages found in the data root, sorted by code; at most 26.
class TMultiLanguages {
public:
    static constexpr int kMaxLanguages = 26;

    struct TLanguage {
        std::string Code;  // upper case, "ENG" for English
        std::string Name;  // display name from the file's "Common" section
        std::filesystem::path File;
    };

    explicit TMultiLanguages(std::vector<TLanguage> languages);

    int Count() const { return static_cast<int>(Languages_.size()); }
    const std::string& Code(int i) const { return Languages_.at(static_cast<std::size_t>(i)).Code; }
    const std::string& Name(int i) const { return Languages_.at(static_cast<std::size_t>(i)).Name; }
    const std::filesystem::path& File(int i) const { return Languages_.at(static_cast<std::size_t>(i)).File; }
    int IndexOf(std::string_view code) const;  // -1 when absent
    int EngIndex() const { return IndexOf("ENG"); }
    int ChosenIndex() const { return Chosen_; }
    // The chosen language's file, or null before one is chosen.
    const TLangIniFile* ChosenFile() const { return ChosenFile_.get(); }

    void Choose(int index, std::unique_ptr<TLangIniFile> file);

private:
    std::vector<TLanguage> Languages_;
    int Chosen_ = -1;
    std::unique_ptr<TLangIniFile> ChosenFile_;
};

// What the language state needs from its surroundings.
struct TLanguageSetup {
    std::filesystem::path DataRoot;      // holds the language files and the error log
    std::filesystem::path ConfigFolder;  // per-user settings; DefaultConfigFolder() in the program
    std::string ProgramFile;             // the program file's full path: names the per-user value
    std::function<void(const std::string&)> ShowMessage;
    std::function<bool(const std::string&)> AskYesNo;
    std::function<std::string()> InstrumentName;  // replaces "@Unit@"
};

// $XDG_CONFIG_HOME, else ~/.config.
std::filesystem::path DefaultConfigFolder();

inline constexpr std::string_view kLangLocalesSection = "Software\\Morvex\\Veltrane\\Locales";
inline constexpr std::string_view kLangMissingText = "????????????????????????????????";
inline constexpr std::string_view kLangErrorFileName = "LanguageError.txt";
inline constexpr std::string_view kLangAbsent = "  - is Absent";
inline constexpr std::string_view kLangItemCountDiffers = "  - NOT EQUAL QUANTITY OF ITEMS!";
inline constexpr std::string_view kLangFormatDiffers = "  - FORMAT DOES NOT MATCH THE ENGLISH TEXT!";

// The language state of one program run: the UI-text table, the language list, the chosen language
// and the error log.
class TLanguageState {
public:
    explicit TLanguageState(TLanguageSetup setup);
    TLanguageState(const TLanguageState&) = delete;
    TLanguageState& operator=(const TLanguageState&) = delete;

    // The text of a key; unless raw, its first "@Unit@" becomes the instrument's name. A missing key
    // shows a message naming it and gives 32 question marks.
    std::string GetLangStr(std::string_view key, bool raw = false) const;

    // Called once at start-up, before any form is created: scans the language files, chooses the
    // language (the per-user choice, else English) and loads the texts.
    void InitLanguages();
    // Finds the language files of the data root; builds the list when there is at least one.
    void ScanLanguageFiles();
    // The built-in texts, overridden from the chosen file unless the English file is missing.
    void LoadLanguageStrings();
    // Writes the English file from the table (and, through `writeForms`, from the forms) when it is
    // missing; false when there was nothing to do. Raises EFileError when it cannot be written.
    bool CreateEnglishLanguageFile(const std::function<void(TLangIniFile&)>& writeForms = {});
    // Makes language `index` the chosen one, remembers it for the user and reloads the texts; false
    // when it already was chosen or does not exist. The caller then rebuilds what shows texts.
    bool SwitchLanguage(int index);

    const TLanguageStrings& Strings() const { return Strings_; }
    TLanguageStrings& Strings() { return Strings_; }
    // Null when no language file was found.
    const TMultiLanguages* Languages() const { return Languages_.get(); }
    // The file forms are translated from: the chosen one, unless the English file is missing.
    const TLangIniFile* FormTextsFile() const;
    bool EnglishFileMissing() const { return EnglishFileMissing_; }
    bool EnglishFileWriting() const { return EnglishFileWriting_; }

    // Form texts, for the walks over the forms. A missing key is logged and gives false; a malformed
    // value shows a message and keeps what was read.
    bool ReadLangText(const TLangIniFile& file, std::string_view section, std::string_view key,
                      std::string& value);
    // A list value: false (and a log line for a missing key or a different count) unless it holds
    // exactly `expectedCount` items; a single blank means "keep the list" and gives false unlogged.
    bool ReadLangItems(const TLangIniFile& file, std::string_view section, std::string_view key,
                       std::size_t expectedCount, std::vector<std::string>& items);

    // One line "SECTION = ...;   IDENT = ..." + kind in the error file; the first error of a language
    // asks whether to create the file.
    void LogLanguageError(std::string_view section, std::string_view key, std::string_view kind);
    std::filesystem::path ErrorFilePath() const;

    // The per-user ini file and the code kept there ("" when none).
    std::filesystem::path UserSettingsFile() const;
    std::string ReadChosenCode() const;
    void StoreChosenCode(std::string_view code);

private:
    void Message(const std::string& text) const;
    void WriteErrorLog();
    void ReadLanguageStrings();
    void ChooseLanguage(int index);
    bool ReadResourceString(const TLangIniFile& file, std::string_view key, bool allowCaseless,
                            std::string& value);

    TLanguageSetup Setup_;
    TLanguageStrings Strings_;
    std::unique_ptr<TMultiLanguages> Languages_;
    bool EnglishFileMissing_ = false;
    bool EnglishFileWriting_ = false;
    bool ErrorFileAsked_ = false;
    bool ErrorFileInUse_ = false;
    bool ErrorLogBatched_ = false;  // while the table loads, the log is written once at the end
    bool ErrorLogDirty_ = false;
    std::string ErrorLog_;
};

}  // namespace vt
