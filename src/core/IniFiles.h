#pragma once
// Ini files in the classic profile form: "[Section]" lines and "Key=Value" lines; sections and keys
// are found without regard to case, blanks around names and values are trimmed, lines starting with
// ";" are comments. Floating-point entries are always written and read with ".".
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace vt {

// An ini file held in memory; UpdateFile writes it back (atomically, UTF-8).
class TMemIniFile_Dot {
public:
    TMemIniFile_Dot() = default;
    // Loads the file when it exists (text decoded by DecodeText); a missing file is an empty ini.
    explicit TMemIniFile_Dot(std::filesystem::path fileName);
    virtual ~TMemIniFile_Dot() = default;

    const std::filesystem::path& FileName() const { return FileName_; }

    std::string ReadString(std::string_view section, std::string_view key, std::string_view def) const;
    // Line breaks in the section, key or value are written as blanks: they would split the entry.
    virtual void WriteString(std::string_view section, std::string_view key, std::string_view value);
    // A missing entry or one that is not an integer (decimal, or hexadecimal after "0x"/"$") gives def.
    long long ReadInteger(std::string_view section, std::string_view key, long long def) const;
    void WriteInteger(std::string_view section, std::string_view key, long long value);
    // Read as an integer: 0 is false, any other integer true; written as "1" / "0".
    bool ReadBool(std::string_view section, std::string_view key, bool def) const;
    void WriteBool(std::string_view section, std::string_view key, bool value);
    // Reads the entry with the default text "DefaultValue"; a missing entry (or one that reads
    // "DefaultValue") gives def; any other text is read by StrToFloatDot and raises EConvertError
    // when it is not a number.
    double ReadFloat(std::string_view section, std::string_view key, double def) const;
    // For files a user may have edited: as ReadFloat, but an entry that is not a number gives def
    // and passes `report` (when set) a message naming the file, section, key and text, so that one
    // bad entry never stops the caller.
    using TBadEntryReport = std::function<void(const std::string& message)>;
    double ReadFloatOrDefault(std::string_view section, std::string_view key, double def,
                              const TBadEntryReport& report) const;
    // Writes FloatToStrDot of the value.
    void WriteFloat(std::string_view section, std::string_view key, double value);

    bool SectionExists(std::string_view section) const;
    bool ValueExists(std::string_view section, std::string_view key) const;
    std::vector<std::string> ReadSections() const;                       // in file order
    std::vector<std::string> ReadSection(std::string_view section) const; // the keys, in file order
    // "Key=Value" lines of a section, in file order.
    std::vector<std::string> ReadSectionValues(std::string_view section) const;
    virtual void EraseSection(std::string_view section);
    virtual void DeleteKey(std::string_view section, std::string_view key);
    void Clear();

    // The whole file as text ("[Section]" and "Key=Value" lines, each ended by "\n"). Comment,
    // blank and other lines read from the file are kept in place.
    std::string GetText() const;
    void SetText(std::string_view text);

    // Writes the file (atomically). Raises EFileError when it cannot. A file that was not read whole
    // is first kept beside it as "<name>.bak" (see KeepOriginalBeforeRewrite).
    virtual void UpdateFile() const;
    // False when the file's bytes were not read as what they claim (DecodeText): rewriting it would lose
    // what could not be read.
    bool ReadWhole() const { return ReadWhole_; }

protected:
    // Before a file that was not read whole is rewritten: copies the original to "<name>.bak" (once)
    // and says so on standard error, the program's log. Raises EFileError when the copy fails, so that
    // the original is never replaced without it.
    void KeepOriginalBeforeRewrite() const;

    struct TEntry {
        std::string Key;
        std::string Value;
        std::vector<std::string> LinesBefore;  // comment and other lines above the entry, as read
    };
    struct TSection {
        std::string Name;
        std::vector<TEntry> Entries;
        std::vector<std::string> LinesAfter;  // comment and other lines after the last entry
    };
    const TSection* FindSection(std::string_view section) const;
    TSection* FindSection(std::string_view section);

    std::filesystem::path FileName_;
    std::vector<TSection> Sections_;
    std::vector<std::string> LinesBeforeSections_;  // lines above the first section, as read
    bool ReadWhole_ = true;
    mutable bool OriginalKept_ = false;
};

// An ini file on disk: every write goes to the file at once.
class TIniFile_Dot : public TMemIniFile_Dot {
public:
    explicit TIniFile_Dot(std::filesystem::path fileName);
    void WriteString(std::string_view section, std::string_view key, std::string_view value) override;
    void EraseSection(std::string_view section) override;
    void DeleteKey(std::string_view section, std::string_view key) override;
};

}  // namespace vt
