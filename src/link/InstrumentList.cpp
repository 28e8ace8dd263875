#include "link/InstrumentList.h"

#include <algorithm>
#include <charconv>

#include "core/Handlers.h"
#include "core/IniFiles.h"
#include "core/InternalError.h"
#include "core/TextFiles.h"

namespace vt {

namespace {
constexpr std::string_view InstrumentsUnitName = "Instruments";
constexpr std::string_view SectionSuffix = " Instrument";
constexpr std::string_view KeyName = "Name";
constexpr std::string_view KeyInterface = "Interface";
constexpr std::string_view KeyIpAddress = "IP Address";
constexpr std::string_view KeyStartUnit = "Start Unit";
constexpr std::string_view KeyLastSmart = "Last Smart Instrument";
constexpr std::string_view UnknownStartUnit = "???";
constexpr std::string_view DefaultNames[] = {kAbsentName, kDefaultDemoName, kDefaultLanName, kDefaultUsbName};

bool Contains(std::string_view upper, std::string_view part) { return upper.find(part) != std::string_view::npos; }

// Exactly `stem` (this case) followed by one digit 1..last.
bool IsNumberedName(std::string_view name, std::string_view stem, char last) {
    return name.size() == stem.size() + 1 && name.starts_with(stem) && name.back() >= '1' && name.back() <= last;
}

bool CaseLess(std::string_view a, std::string_view b) { return UpperCase(a) < UpperCase(b); }

std::string SectionOf(std::string_view name) { return std::string(name) + std::string(SectionSuffix); }

// The instrument name of a section "<name> Instrument"; empty for any other section.
std::string NameOfSection(std::string_view section) {
    if (section.size() <= SectionSuffix.size()) return {};
    const std::string_view name = section.substr(0, section.size() - SectionSuffix.size());
    if (!SameText(section.substr(name.size()), SectionSuffix)) return {};
    return std::string(name);
}

// The spelling the system uses for a default name or "Absent"; other names are kept.
std::string CanonicalName(std::string_view name) {
    for (std::string_view d : DefaultNames)
        if (SameText(name, d)) return std::string(d);
    return std::string(name);
}

void WriteEntry(TMemIniFile_Dot& ini, std::string_view name, const TInstrumentProp& prop) {
    const std::string section = SectionOf(name);
    ini.EraseSection(section);
    ini.WriteString(section, KeyName, prop.Label);
    ini.WriteString(section, KeyInterface, InterfaceName(prop.Kind));
    if (prop.Kind != TInstrumentLinkKind::Tcp) return;
    if (!prop.IpAddressText.empty()) {
        ini.WriteString(section, KeyIpAddress, prop.IpAddressText);
    } else if (prop.IpAddress.Valid) {
        ini.WriteString(section, KeyIpAddress, IpAddressToText(prop.IpAddress));
    }
}

}  // namespace

TIpAddress DefaultLanAddress() { return TIpAddress{1, {192, 168, 0, 221}}; }

bool ParseIpAddress(std::string_view text, TIpAddress& address) {
    address = TIpAddress{};
    TIpAddress result{1, {0, 0, 0, 0}};
    auto separator = [](char c) { return c == ' ' || c == '.'; };
    std::size_t pos = 0;
    for (int i = 0; i < 4; ++i) {
        while (pos < text.size() && separator(text[pos])) ++pos;
        std::size_t end = pos;
        while (end < text.size() && !separator(text[end])) ++end;
        const std::size_t length = end - pos;
        if (length == 0 || length > 3) return false;
        unsigned value = 0;
        const auto [stop, ec] = std::from_chars(text.data() + pos, text.data() + end, value);
        if (ec != std::errc() || stop != text.data() + end || value > 255) return false;
        result.Bytes[i] = static_cast<std::uint8_t>(value);
        pos = end;
    }
    while (pos < text.size() && separator(text[pos])) ++pos;
    if (pos != text.size()) return false;
    address = result;
    return true;
}

bool IsValidInstrumentName(std::string_view name) {
    for (std::string_view d : DefaultNames)
        if (SameText(name, d)) return true;
    return IsNumberedName(name, "Demo", '3') || IsNumberedName(name, "Instrument", '8');
}

bool IsSmartInstrumentName(std::string_view name) {
    const std::string upper = UpperCase(name);
    return SameText(name, kDefaultAutoName) || SameText(name, kDefaultLanName) || SameText(name, kDefaultUsbName) ||
           Contains(upper, "INSTRUMENT");
}

bool IsDefaultOrAbsentName(std::string_view name) {
    return SameText(name, kAbsentName) || UpperCase(name).starts_with("DEFAULT");
}

bool InterfaceKindFromName(std::string_view text, TInstrumentLinkKind& kind) {
    for (int k = 0; k <= 3; ++k) {
        const auto candidate = static_cast<TInstrumentLinkKind>(k);
        if (SameText(text, InterfaceName(candidate))) {
            kind = candidate;
            return true;
        }
    }
    return false;
}

std::string_view InterfaceName(TInstrumentLinkKind kind) {
    switch (kind) {
        case TInstrumentLinkKind::Usb: return "USB";
        case TInstrumentLinkKind::Tcp: return "LAN";
        case TInstrumentLinkKind::Demo: return "Demo";
        default: return "None";
    }
}

bool IsPlainLanEntry(std::string_view name, std::string_view interfaceText) {
    TInstrumentLinkKind kind;
    const std::string upper = UpperCase(name);
    return InterfaceKindFromName(interfaceText, kind) && kind == TInstrumentLinkKind::Tcp && upper != "ABSENT" &&
           !Contains(upper, "DEMO") && !Contains(upper, "USB") && !Contains(upper, "LAN");
}

bool IsConsistentInstrument(std::string_view name, std::string_view interfaceText, std::string_view ipText,
                            TIpAddress& address, TInstrumentLinkKind& kind) {
    if (!InterfaceKindFromName(interfaceText, kind)) return false;
    const std::string upper = UpperCase(name);
    address = TIpAddress{};
    if (Contains(upper, "DEMO")) return ipText.empty() && kind == TInstrumentLinkKind::Demo;
    if (upper == "ABSENT") return ipText.empty() && kind == TInstrumentLinkKind::None;
    if (Contains(upper, "USB")) return ipText.empty() && kind == TInstrumentLinkKind::Usb;
    if (kind != TInstrumentLinkKind::Tcp || !ParseIpAddress(ipText, address)) return false;
    return !Contains(upper, "LAN") || SameIpAddress(address, DefaultLanAddress());
}

void DefaultInterfaceFor(std::string_view name, TInstrumentLinkKind& kind, TIpAddress& address) {
    const std::string upper = UpperCase(name);
    address = TIpAddress{};
    if (Contains(upper, "DEMO")) {
        kind = TInstrumentLinkKind::Demo;
    } else if (upper == "ABSENT") {
        kind = TInstrumentLinkKind::None;
    } else if (Contains(upper, "USB")) {
        kind = TInstrumentLinkKind::Usb;
    } else {
        kind = TInstrumentLinkKind::Tcp;
        address = DefaultLanAddress();
    }
}

std::string ArgForm(std::string_view text) {
    std::string out = UpperCase(text);
    for (char& c : out) {
        const auto u = static_cast<unsigned char>(c);
        if (u <= ' ' || u == 0x7F || c == ';' || c == '[' || c == ']' || c == '"' || c == ',') c = '_';
    }
    return out;
}

// ------------------------------------------------------------------------------------------ the list

TInstrumentList::TInstrumentList(std::filesystem::path configFile) : ConfigFile_(std::move(configFile)) {}

void TInstrumentList::Report(const std::string& text) const {
    if (ShowMessage) ShowMessage(text);
}

int TInstrumentList::IndexOf(std::string_view name) const {
    for (int i = 0; i < Count(); ++i)
        if (SameText(Entries_[static_cast<std::size_t>(i)].Name, name)) return i;
    return -1;
}

TInstrumentLinkKind TInstrumentList::KindOf(std::string_view name) const {
    const int index = IndexOf(name);
    if (index >= 0) return Prop(index).Kind;
    TInstrumentLinkKind kind;
    TIpAddress address;
    DefaultInterfaceFor(name, kind, address);
    return kind;
}

void TInstrumentList::Add(std::string_view name, const TInstrumentProp& prop) {
    if (IndexOf(name) >= 0) VT_INTERNAL_ERROR(InstrumentsUnitName, "DUPLICATE INSTRUMENT NAME");
    const auto at = std::find_if(Entries_.begin(), Entries_.end(),
                                 [&](const TEntry& e) { return CaseLess(name, e.Name); });
    Entries_.insert(at, TEntry{std::string(name), prop});
    std::erase_if(DeletedNames_, [&](const std::string& d) { return SameText(d, name); });
}

void TInstrumentList::Delete(std::string_view name) {
    const int index = IndexOf(name);
    if (index < 0) return;
    DeletedNames_.push_back(Entries_[static_cast<std::size_t>(index)].Name);
    Entries_.erase(Entries_.begin() + index);
}

void TInstrumentList::Clear() {
    Entries_.clear();
    DeletedNames_.clear();
}

bool TInstrumentList::FindInstrumentByArg(std::string_view upperWord, int& index) const {
    const std::string word = ArgForm(upperWord);
    for (int i = 0; i < Count(); ++i) {
        const TEntry& e = Entries_[static_cast<std::size_t>(i)];
        if (ArgForm(e.Name) == word || (!e.Prop.Label.empty() && ArgForm(e.Prop.Label) == word)) {
            index = i;
            return true;
        }
    }
    return false;
}

bool TInstrumentList::StartInstrumentFromCommandLine(const std::vector<std::string>& args, std::string& name) const {
    const std::string autoWord = ArgForm(kDefaultAutoName);
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg.starts_with("--")) {
            // The program's own options; those with a value take the next argument too.
            if (arg == "--automation-port" || arg == "--home") ++i;
            continue;
        }
        const std::string upper = UpperCase(arg);
        int index = -1;
        if (upper == autoWord) {
            name = std::string(kDefaultAutoName);
        } else if (upper == "ABSENT") {
            name = std::string(kAbsentName);
        } else if (FindInstrumentByArg(upper, index)) {
            name = Name(index);
        } else {
            continue;
        }
        return true;
    }
    return false;
}

void TInstrumentList::LoadInstrumentList(const std::vector<std::string>& args) {
    TMemIniFile_Dot ini(ConfigFile_);
    const std::string before = ini.GetText();
    Clear();
    for (const std::string& section : ini.ReadSections()) {
        const std::string name = CanonicalName(NameOfSection(section));
        // A section that cannot be read is left as it stands: the user may mend it.
        if (!IsValidInstrumentName(name)) continue;
        // A second section of a listed name (other case) is not read; the first one wins.
        if (IndexOf(name) >= 0) continue;
        TInstrumentProp prop;
        prop.Label = ini.ReadString(section, KeyName, "");
        const std::string interfaceText = ini.ReadString(section, KeyInterface, "");
        const std::string ipText = ini.ReadString(section, KeyIpAddress, "");
        TIpAddress address;
        TInstrumentLinkKind kind;
        if (IsConsistentInstrument(name, interfaceText, ipText, address, kind)) {
            prop.Kind = kind;
            if (address.Valid) prop.IpAddress = address;
            if (kind == TInstrumentLinkKind::Tcp && ipText != IpAddressToText(address)) prop.IpAddressText = ipText;
        } else if (IsDefaultOrAbsentName(name)) {
            DefaultInterfaceFor(name, prop.Kind, address);
            if (address.Valid) prop.IpAddress = address;
            WriteEntry(ini, name, prop);
        } else if (IsPlainLanEntry(name, interfaceText) && !ParseIpAddress(ipText, address)) {
            // A LAN instrument whose address no reading accepts: listed, unusable, kept as written.
            prop.Kind = kind;
            prop.IpAddress = TIpAddress{};
            prop.IpAddressText = ipText;
        } else {
            continue;
        }
        Add(name, prop);
    }
    for (std::string_view name : DefaultNames) {
        if (IndexOf(name) >= 0) continue;
        TInstrumentProp prop;
        TIpAddress address;
        DefaultInterfaceFor(name, prop.Kind, address);
        if (address.Valid) prop.IpAddress = address;
        WriteEntry(ini, name, prop);
        Add(name, prop);
    }

    // The start unit.
    LastSmart_ = std::string(kDefaultUsbName);
    std::string chosen;
    FromCommandLine_ = StartInstrumentFromCommandLine(args, chosen);
    auto readLastSmart = [&] {
        const std::string last = ini.ReadString(kCommonSection, KeyLastSmart, kDefaultUsbName);
        const int index = IndexOf(last);
        // Only a listed smart instrument can be tried; anything else would connect to no entry.
        LastSmart_ = index >= 0 && IsSmartInstrumentName(last) ? Name(index) : std::string(kDefaultUsbName);
    };
    if (FromCommandLine_) {
        StartUnit_ = chosen;
        if (StartUnit_ == kDefaultAutoName) readLastSmart();
    } else {
        const std::string text = ini.ReadString(kCommonSection, KeyStartUnit, UnknownStartUnit);
        const int index = IndexOf(text);
        StartUnit_ = index >= 0 ? Name(index) : std::string(kDefaultAutoName);
        if (StartUnit_ == kDefaultAutoName) readLastSmart();
        if (StartUnit_ != text) {
            ini.EraseSection(kCommonSection);
            ini.WriteString(kCommonSection, KeyStartUnit, StartUnit_);
            ini.WriteString(kCommonSection, KeyLastSmart, kDefaultUsbName);
        }
    }
    if (ini.GetText() == before) return;
    try {
        ini.UpdateFile();
    } catch (const EFileError& e) {
        Report(e.what());
    }
}

void TInstrumentList::SaveInstrumentList() {
    TMemIniFile_Dot ini(ConfigFile_);
    // Deleted sections go first, so that a name freed and taken again in one session keeps its new
    // section.
    for (const std::string& name : DeletedNames_)
        if (IndexOf(name) < 0) ini.EraseSection(SectionOf(name));
    for (const TEntry& e : Entries_) WriteEntry(ini, e.Name, e.Prop);
    if (!FromCommandLine_) {
        ini.EraseSection(kCommonSection);
        ini.WriteString(kCommonSection, KeyStartUnit, StartUnit_);
    }
    ini.UpdateFile();
    DeletedNames_.clear();
}

void TInstrumentList::WriteLastSmartInstrument(const std::string& name) {
    LastSmart_ = name;
    TMemIniFile_Dot ini(ConfigFile_);
    ini.WriteString(kCommonSection, KeyLastSmart, name);
    try {
        ini.UpdateFile();
    } catch (const EFileError& e) {
        Report(e.what());
    }
}

std::string TInstrumentList::NewInstrumentName() const {
    for (char d = '1'; d <= '8'; ++d) {
        std::string name = std::string("Instrument") + d;
        if (IndexOf(name) < 0) return name;
    }
    return {};
}

std::string TInstrumentList::NewDemoName() const {
    for (char d = '2'; d <= '3'; ++d) {
        std::string name = std::string("Demo") + d;
        if (IndexOf(name) < 0) return name;
    }
    return {};
}

bool TInstrumentList::IsIPAddressUsed(const TIpAddress& address) const {
    return std::any_of(Entries_.begin(), Entries_.end(), [&](const TEntry& e) {
        return e.Prop.Kind == TInstrumentLinkKind::Tcp && SameIpAddress(e.Prop.IpAddress, address);
    });
}

std::string TInstrumentList::InstrumentDisplayName(int index) const {
    const TEntry& e = Entries_.at(static_cast<std::size_t>(index));
    if (e.Prop.Label.empty()) return e.Name;
    return e.Prop.Label + "  [" + e.Name + "]";
}

}  // namespace vt
