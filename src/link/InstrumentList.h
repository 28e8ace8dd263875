#pragma once
// The list of instruments the program can work with, kept in Configuration.ini in the data root: the
// name rules, loading with repair, saving, and the choice of the start instrument from the command line.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/IpAddress.h"
#include "link/InstrumentLink.h"

namespace vt {

inline constexpr std::string_view kConfigurationFileName = "Configuration.ini";
inline constexpr std::string_view kAbsentName = "Absent";
inline constexpr std::string_view kDefaultUsbName = "Default USB";
inline constexpr std::string_view kDefaultLanName = "Default LAN";
inline constexpr std::string_view kDefaultDemoName = "Default Demo";
inline constexpr std::string_view kDefaultAutoName = "Default Auto";
inline constexpr std::string_view kCommonSection = "COMMON";

// One instrument of the list.
struct TInstrumentProp {
    TInstrumentLinkKind Kind = TInstrumentLinkKind::None;
    std::string Label;  // the user's alias ("Name"); may be empty
    TIpAddress IpAddress{0, {192, 168, 0, 222}};
    // The address as Configuration.ini holds it, written back as it stands: an address the user wrote
    // in another form, or one that no reading accepts (the entry is then listed but unusable).
    std::string IpAddressText;
};

// The default LAN address 192.168.0.221.
TIpAddress DefaultLanAddress();
// Four numbers 0..255 (a number above 255 is refused, not wrapped), separated by dots or blanks in any
// mix: every "." reads as a blank, so "10.0.0.2", "10 0 0 2" and "10 . 0 . 0 . 2" are one address.
bool ParseIpAddress(std::string_view text, TIpAddress& address);

// --- name rules ---
bool IsValidInstrumentName(std::string_view name);
bool IsSmartInstrumentName(std::string_view name);
// "Absent" or a name beginning with "DEFAULT" (any case).
bool IsDefaultOrAbsentName(std::string_view name);
bool InterfaceKindFromName(std::string_view text, TInstrumentLinkKind& kind);
std::string_view InterfaceName(TInstrumentLinkKind kind);
bool IsConsistentInstrument(std::string_view name, std::string_view interfaceText, std::string_view ipText,
                            TIpAddress& address, TInstrumentLinkKind& kind);
// A LAN instrument of the user's own name (not a default name, nor one whose name says demo or USB).
bool IsPlainLanEntry(std::string_view name, std::string_view interfaceText);
void DefaultInterfaceFor(std::string_view name, TInstrumentLinkKind& kind, TIpAddress& address);
// The form of a text on the command line and in replies: upper case, blanks written as "_", and so
// are the characters that would break a reply apart (";", "[", "]", '"', ",", control characters).
std::string ArgForm(std::string_view text);

class TInstrumentList {
public:
    // The list lives in `configFile`; `args` are the program's arguments (without the program name).
    explicit TInstrumentList(std::filesystem::path configFile);

    // Problems with the file (it cannot be written) go here.
    std::function<void(const std::string&)> ShowMessage;

    // --- entries, sorted by name without regard to case ---
    int Count() const { return static_cast<int>(Entries_.size()); }
    const std::string& Name(int index) const { return Entries_.at(static_cast<std::size_t>(index)).Name; }
    TInstrumentProp& Prop(int index) { return Entries_.at(static_cast<std::size_t>(index)).Prop; }
    const TInstrumentProp& Prop(int index) const { return Entries_.at(static_cast<std::size_t>(index)).Prop; }
    int IndexOf(std::string_view name) const;
    // The kind of a listed instrument; any other name is read by the name rules.
    TInstrumentLinkKind KindOf(std::string_view name) const;
    // Adds an entry; a listed name is an internal error. A name deleted earlier in this session is no
    // longer erased on save.
    void Add(std::string_view name, const TInstrumentProp& prop);
    // Removes the entry; its section is erased on the next save.
    void Delete(std::string_view name);
    void Clear();

    // --- start unit and command line ---
    const std::string& StartUnit() const { return StartUnit_; }
    void SetStartUnit(std::string name) { StartUnit_ = std::move(name); }
    const std::string& LastSmartInstrument() const { return LastSmart_; }
    bool StartFromCommandLine() const { return FromCommandLine_; }
    bool FindInstrumentByArg(std::string_view upperWord, int& index) const;
    // The first argument naming a start instrument; the program's own "--" options are skipped.
    bool StartInstrumentFromCommandLine(const std::vector<std::string>& args, std::string& name) const;

    // --- the file ---
    const std::filesystem::path& ConfigFile() const { return ConfigFile_; }
    // Reads and repairs the file into the list and chooses the start unit.
    void LoadInstrumentList(const std::vector<std::string>& args);
    // Rewrites the instrument sections and, unless the start came from the command line, the start
    // unit. Raises EFileError when the file cannot be written.
    void SaveInstrumentList();
    // Notes the smart instrument that answered under "Default Auto".
    void WriteLastSmartInstrument(const std::string& name);

    // --- helpers of the selection dialog ---
    std::string NewInstrumentName() const;
    std::string NewDemoName() const;
    bool IsIPAddressUsed(const TIpAddress& address) const;
    std::string InstrumentDisplayName(int index) const;

private:
    struct TEntry {
        std::string Name;
        TInstrumentProp Prop;
    };
    void Report(const std::string& text) const;

    std::filesystem::path ConfigFile_;
    std::vector<TEntry> Entries_;
    std::vector<std::string> DeletedNames_;
    std::string StartUnit_ = std::string(kDefaultAutoName);
    std::string LastSmart_ = std::string(kDefaultUsbName);
    bool FromCommandLine_ = false;
};

}  // namespace vt
