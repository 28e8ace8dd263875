#include "link/InstrumentIdentity.h"
#include "core/AsciiText.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>

#include "core/Handlers.h"
#include "core/IniFiles.h"
#include "core/InternalError.h"
#include "core/DotNumberText.h"
#include "link/InstrumentLink.h"

namespace vt {

namespace {

constexpr const char* Unit = "_SHELL\\SRC\\Suo_Data";

std::string Lang(const TLangLookup& lang, std::string_view key) { return lang ? lang(key) : std::string(key); }


// A whole text as a decimal integer with an optional sign.
bool ParseDecimal(std::string_view text, long long& value) {
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    if (text.empty()) return false;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size();
}

// Reads up to `count` numbers from the front of `text` into `out`, each followed by any run of the
// separator characters. Stops at the end, at a character that is not a digit, or at a number that
// does not fit a 16-bit part.
void ReadVersionNumbers(std::string_view& text, std::int16_t* out, int count, std::string_view separators) {
    for (int i = 0; i < count && !text.empty() && IsDigit(text.front()); ++i) {
        std::size_t n = 0;
        while (n < text.size() && IsDigit(text[n])) ++n;
        int value = 0;
        const auto [end, ec] = std::from_chars(text.data(), text.data() + n, value);
        if (ec != std::errc() || value > INT16_MAX) return;
        out[i] = static_cast<std::int16_t>(value);
        text.remove_prefix(n);
        while (!text.empty() && separators.find(text.front()) != std::string_view::npos) text.remove_prefix(1);
    }
}

void DropToFirstDigit(std::string_view& text) {
    while (!text.empty() && !IsDigit(text.front())) text.remove_prefix(1);
}

constexpr std::array<std::string_view, 8> ModelNames = {
    "Veltrane L410", "Veltrane L420", "Veltrane L430", "Veltrane L415",
    "Veltrane L425", "Veltrane L435", "Veltrane L445", "Veltrane L300",
};

std::string_view OptionKey(int bit) {
    switch (bit) {
    case optClockRecoveryTrig: return "optClockRecoveryTrig";
    case optPatSyncTrig: return "optPatSyncTrig";
    case optGenerators: return "optGenerators";
    case optOptics: return "optOptics";
    case optTDT: return "optTDT";
    case optJitter: return "optJitter";
    case optLAN: return "optLAN";
    default: return {};
    }
}

}  // namespace

// ------------------------------------------------------------------------------------------ versions

TSHW_Ver DefaultVersion() {
    TSHW_Ver v;
    v.Text = "1.1.1 (20 Jan 2008)";
    v.Parts = {1, 1, 1, -1};
    v.Numbers = {2008, 1, 20};
    return v;
}

TSHW_Ver UnknownVersion(std::string text) {
    TSHW_Ver v;
    v.Text = std::move(text);
    return v;
}

void ParseVersionString(TSHW_Ver& version) {
    version.Parts = {-1, -1, -1, -1};
    version.Numbers = {-1, -1, -1};
    std::string_view text = version.Text;
    DropToFirstDigit(text);
    ReadVersionNumbers(text, version.Parts.data(), 4, " ,-._");
    const auto open = text.find('(');
    text = open == std::string_view::npos ? std::string_view() : text.substr(open);
    if (text.size() > 5) {
        DropToFirstDigit(text);
        ReadVersionNumbers(text, version.Numbers.data(), 3, " ,-./_");
    }
}

bool IsVersionAtLeast(const TSHW_Ver& version, std::span<const int> values, int highIndex) {
    if (highIndex < 0 || highIndex > 3 || values.size() < static_cast<std::size_t>(highIndex) + 1)
        VT_INTERNAL_ERROR(Unit, "IsVersionAtLeast: bad number of version parts");
    for (int i = 0; i <= highIndex; ++i) {
        const int part = version.Parts[static_cast<std::size_t>(i)];
        const int want = values[static_cast<std::size_t>(i)];
        if (part < 0) return false;
        if (part != want) return part > want;
    }
    return true;
}

bool IsVersionAtLeast(const TSHW_Ver& version, std::initializer_list<int> values) {
    return IsVersionAtLeast(version, std::span<const int>(values.begin(), values.size()),
                            static_cast<int>(values.size()) - 1);
}

// ---------------------------------------------------------------------------------------- models

std::uint8_t FlashCodeToType(std::uint8_t code) {
    if (code >= 1 && code <= 3) return code;
    return static_cast<std::uint8_t>(3 - code);
}

std::uint8_t GetModelFlashCode(std::uint8_t type) {
    if (type == 0) VT_INTERNAL_ERROR(Unit, "GetModelFlashCode: model type 0");
    if (type <= 3) return type;
    return static_cast<std::uint8_t>(3 - type);
}

std::string GetModelName(int type, int serial, bool withCode) {
    if (serial == 42 && type >= 1 && type <= 3) type += 3;
    if (type < 1 || type > 8) return std::string(kUnknownModelName);
    std::string name(ModelNames[static_cast<std::size_t>(type - 1)]);
    if (withCode) name += FormatDot("  (%d)", GetModelFlashCode(static_cast<std::uint8_t>(type)));
    return name;
}

double GetBandwidthGHz(bool flag) { return flag ? 12.0 : 8.0; }

// --------------------------------------------------------------------------------------- options

std::string GetOptionName(int type, int bit, bool withCode, const TLangLookup& lang) {
    if (bit == 255) return " Basic  (255)";
    if (bit <= 0 || bit > 255 || !std::has_single_bit(static_cast<unsigned>(bit)))
        VT_INTERNAL_ERROR(Unit, "OptionNum must be power 2");
    if (type < 1 || type > 7) return {};
    const std::string_view key = OptionKey(bit);
    if (key.empty()) return {};
    std::string name = Lang(lang, key);
    if (withCode) name += FormatDot("  (~%.2x)", bit);
    return name;
}

std::string GetOptionsText(int type, int bits, bool withCode, const TLangLookup& lang) {
    std::string text;
    for (int bit = 1; bit <= 128; bit <<= 1) {
        if ((bits & bit) == 0) continue;
        const std::string name = GetOptionName(type, bit, withCode, lang);
        if (!name.empty()) text += " + " + name;
    }
    return text;
}

// -------------------------------------------------------------------------------------- identity

std::string TInstrumentIdentity::GetInstrumentName() const {
    if (Year == 2008) return "Veltrane";
    return GetModelName(ModelType, SerialNo, false);
}

std::string TInstrumentIdentity::GetInstrumentKindName(const TLangLookup& lang) const {
    std::string_view key = "SamplingOscilloscope";
    if (Year != 2008) {
        switch (ModelType) {
        case 2:
        case 5: key = "DigitalSignalsAnalyzer"; break;
        case 3:
        case 6: key = "OpticalAnalyzer"; break;
        case 7: key = "TdrAndOptical"; break;
        default: break;
        }
    }
    return Lang(lang, key);
}

std::string TInstrumentIdentity::BuildMainCaption(bool present, const TLangLookup& lang) const {
    if (!present) return "Morvex.    Instrument not connected";
    return "Morvex    " + GetInstrumentName() + "    " + GetInstrumentKindName(lang) + " 12 GHz";
}

TMacAddress FillInstrumentIdentity(const TInstrumentIdentity& identity) {
    return {0x0A, 0x55, 0x01, 0x7E, 0x08, static_cast<std::uint8_t>(identity.SerialNo & 0xFF)};
}

// ---------------------------------------------------------------------------------- DemoUnits.ini

std::string DemoSection(std::string_view instrumentName) { return std::string(instrumentName) + " Instrument"; }

std::string DemoKey(int block, std::string_view word) { return FormatDot("Block %d ", block) + std::string(word); }

namespace {

struct TDemoBlock {
    long long ModelCode = 255;
    long long OptionCode = 255;
    long long YearCode = 255;
    long long SerNo = 65535;

    bool AllZero() const { return ModelCode == 0 && OptionCode == 0 && YearCode == 0 && SerNo == 0; }
    bool NothingStored() const { return ModelCode == 255 && OptionCode == 255 && YearCode == 255 && SerNo == 65535; }
};

long long ReadDemoValue(const TMemIniFile_Dot& ini, const std::string& section, const std::string& key, long long def,
                        long long max, const std::function<void(const std::string&)>& message) {
    const double v = ini.ReadFloatOrDefault(section, key, static_cast<double>(def), message);
    if (v >= 0 && v <= static_cast<double>(max) && v == std::floor(v)) return static_cast<long long>(v);
    if (message)
        message(std::string(kDemoUnitsFileName) + ": [" + section + "] " + key + "=" + ini.ReadString(section, key, "") +
                " is out of its range 0.." + std::to_string(max) + "; the default " + std::to_string(def) + " is used");
    return def;
}

TDemoBlock ReadDemoBlock(const TMemIniFile_Dot& ini, const std::string& section, int block,
                         const std::function<void(const std::string&)>& message) {
    TDemoBlock b;
    b.ModelCode = ReadDemoValue(ini, section, DemoKey(block, "ModelFlashCode"), 255, 255, message);
    b.OptionCode = ReadDemoValue(ini, section, DemoKey(block, "OptionCode"), 255, 255, message);
    b.YearCode = ReadDemoValue(ini, section, DemoKey(block, "Year"), 255, 63535, message);
    b.SerNo = ReadDemoValue(ini, section, DemoKey(block, "SerNo"), 65535, 65535, message);
    return b;
}

}  // namespace

TInstrumentIdentity ReadDemoIdentity(const std::filesystem::path& dataRoot, std::string_view instrumentName,
                                     const std::function<void(const std::string&)>& message) {
    const TMemIniFile_Dot ini(dataRoot / kDemoUnitsFileName);
    const std::string section = DemoSection(instrumentName);
    TInstrumentIdentity id;
    id.BlockNo = 0;
    id.ModelType = 4;
    id.Options = 0;
    id.Year = 2009;
    id.SerialNo = 1;

    int chosen = 0;
    TDemoBlock block = ReadDemoBlock(ini, section, 1, message);
    if (!block.NothingStored()) {
        chosen = 1;
        if (block.AllZero()) {
            chosen = 0;
            for (int n = 2; n <= 4 && chosen == 0; ++n) {
                block = ReadDemoBlock(ini, section, n, message);
                if (!block.AllZero()) chosen = n;
            }
        }
    }
    if (chosen != 0) {
        id.BlockNo = static_cast<std::uint8_t>(chosen);
        std::uint8_t type = FlashCodeToType(static_cast<std::uint8_t>(block.ModelCode));
        // Demo instruments are always of the second hardware revision.
        if (type >= 1 && type <= 3) type = static_cast<std::uint8_t>(type + 3);
        id.ModelType = type;
        id.Year = static_cast<std::uint16_t>(std::max<long long>(2000 + block.YearCode, 2009));
        id.Options = static_cast<std::uint8_t>(~block.OptionCode & 0xFF);
        id.SerialNo = static_cast<std::uint16_t>(block.SerNo);
    }
    id.SWVersion = DefaultVersion();
    id.FPGAVersion = DefaultVersion();
    id.FPGAVersion.Numbers[0] = -1;
    id.MacAddress = FillInstrumentIdentity(id);
    return id;
}

void WriteDemoIdentity(const std::filesystem::path& dataRoot, std::string_view instrumentName, int block,
                       int modelFlashCode, bool eraseSection, int serialNo, int yearCode, int optionCode) {
    TMemIniFile_Dot ini(dataRoot / kDemoUnitsFileName);
    const std::string section = DemoSection(instrumentName);
    if (eraseSection) ini.EraseSection(section);
    ini.WriteInteger(section, DemoKey(block, "ModelFlashCode"), modelFlashCode);
    ini.WriteInteger(section, DemoKey(block, "OptionCode"), optionCode);
    ini.WriteInteger(section, DemoKey(block, "Year"), yearCode);
    ini.WriteInteger(section, DemoKey(block, "SerNo"), serialNo);
    ini.UpdateFile();
}

// -------------------------------------------------------------------------------------- command line

bool HasCommandLineParam(std::span<const std::string> params, std::string_view name) {
    return std::any_of(params.begin(), params.end(), [&](const std::string& p) { return SameText(p, name); });
}

// ----------------------------------------------------------------------------- the identity unit

TInstrumentIdentityUnit::TInstrumentIdentityUnit(TInstrumentLink& link, std::filesystem::path dataRoot)
    : Link_(link), DataRoot_(std::move(dataRoot)) {}

void TInstrumentIdentityUnit::Message(const std::string& text) const {
    if (ShowMessage) ShowMessage(text);
}

namespace {

// One field of the identity reply: leading blanks dropped; up to the next blank (dropped with it), or
// the whole rest, which then stays for the fields that follow.
std::string_view NextField(std::string_view& rest) {
    while (!rest.empty() && rest.front() == ' ') rest.remove_prefix(1);
    const auto blank = rest.find(' ');
    if (blank == std::string_view::npos) return rest;
    const std::string_view field = rest.substr(0, blank);
    rest.remove_prefix(blank + 1);
    return field;
}

// A field within 0..max, else false (the reply is then bad).
bool ReadField(std::string_view& rest, long long max, long long& value) {
    value = 0;
    long long v = 0;
    if (!ParseDecimal(NextField(rest), v) || v < 0 || v > max) return false;
    value = v;
    return true;
}

}  // namespace

bool TInstrumentIdentityUnit::ReadIndividualData(std::string_view instrumentName) {
    if (!Link_.IsInstrumentConnected()) {
        if (Link_.LinkKind() == TInstrumentLinkKind::Demo) {
            Identity = ReadDemoIdentity(DataRoot_, instrumentName, ShowMessage);
        } else {
            ClearIdentity();
        }
        return true;
    }
    const TReply reply = Link_.QueryCommand("Info:IndivData?");
    if (reply.TimedOut()) return false;

    std::string_view rest = reply.Text;
    long long block = 0, code = 0, options = 0, year = 0, serial = 0;
    bool good = ReadField(rest, 255, block);
    const bool typeGood = ReadField(rest, 255, code);
    good = typeGood && good;
    good = ReadField(rest, 255, options) && good;
    good = ReadField(rest, 63535, year) && good;
    good = ReadField(rest, 65535, serial) && good;

    TInstrumentIdentity id;
    id.BlockNo = static_cast<std::uint8_t>(block);
    id.ModelType = typeGood ? FlashCodeToType(static_cast<std::uint8_t>(code)) : 0;
    id.Options = static_cast<std::uint8_t>(~options & 0xFF);
    id.Year = static_cast<std::uint16_t>(2000 + year);
    id.SerialNo = static_cast<std::uint16_t>(serial);
    if (good && id.BlockNo == 255 && !Block255Shown_) {
        Block255Shown_ = true;
        Message("The individual data block of the instrument is 255: its firmware must be reflashed with "
                "version 3.10.4 or later.");
    }
    if (!good || id.BlockNo == 0 || id.BlockNo == 255) {
        id.BlockNo = 0;
        id.Options = 0;
        id.Year = 2000;
        id.SerialNo = 0;
    }

    const TReply sw = Link_.QueryCommand("Info:GetVer:SW?");
    if (sw.TimedOut()) {
        id.SWVersion = UnknownVersion(sw.ShownText());
    } else {
        id.SWVersion.Text = sw.Text;
        ParseVersionString(id.SWVersion);
    }
    const std::int32_t fpga = Link_.QueryInt("Info:GetVer:FPGAFW");
    if (fpga == QueryFailedInt || fpga < 0) {
        id.FPGAVersion = UnknownVersion();
    } else {
        id.FPGAVersion.Text = "0." + std::to_string(fpga);
        ParseVersionString(id.FPGAVersion);
    }
    Identity = id;
    if (Identity.HasOptLAN()) Identity.MacAddress = GetInstrumentMacAddress();
    return true;
}

TMacAddress TInstrumentIdentityUnit::GetInstrumentMacAddress() {
    if (!IsVersionAtLeast(Identity.SWVersion, {3, 9, 4}))
        return {0x05, 0x55, 0x01, 0x7E, 0x08, static_cast<std::uint8_t>(Identity.SerialNo & 0xFF)};
    std::string reply = Link_.QueryCommand("Info:TCPIP:GETMAC?").Text;
    std::replace(reply.begin(), reply.end(), '.', ' ');
    TMacAddress mac;
    mac.fill(255);
    std::string_view rest = reply;
    for (std::uint8_t& byte : mac) {
        while (!rest.empty() && rest.front() == ' ') rest.remove_prefix(1);
        const auto blank = rest.find(' ');
        const std::string_view token = rest.substr(0, blank);
        long long v = 0;
        // A byte that does not parse, or does not fit, ends the reading.
        if (!ParseDecimal(token, v) || v < 0 || v > 255) break;
        byte = static_cast<std::uint8_t>(v);
        rest.remove_prefix(blank == std::string_view::npos ? rest.size() : blank);
    }
    return mac;
}

}  // namespace vt
