#pragma once
// Which instrument the program drives: the identity record (model, options, year, serial, firmware
// versions, MAC address), its read from the instrument or from DemoUnits.ini, and the questions the
// rest of the program asks of it. The identity lives in a TInstrumentIdentityUnit owned by the shell
// context beside the link; nothing here is a global.
#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

namespace vt {

class TInstrumentLink;

// Language text of a key; an empty lookup gives the key itself.
using TLangLookup = std::function<std::string(std::string_view key)>;

// A firmware or FPGA version: its text and the numbers read from it (-1 where the text gives none).
struct TSHW_Ver {
    std::string Text;
    std::array<std::int16_t, 4> Parts{-1, -1, -1, -1};
    std::array<std::int16_t, 3> Numbers{-1, -1, -1};  // the numbers after "(" (a date)
    std::uint16_t Reserved = 0;

    bool operator==(const TSHW_Ver&) const = default;
};

// "1.1.1 (20 Jan 2008)": what a demo instrument reports.
TSHW_Ver DefaultVersion();
// A version that could not be read: every number -1, so no "at least" test passes.
TSHW_Ver UnknownVersion(std::string text = {});
// Sets the record's numbers from its text. A number that does not fit a version part ends the
// reading there: it is never wrapped into a small one.
void ParseVersionString(TSHW_Ver& version);
// The record's parts against `values` in order (at most four, highIndex + 1 of them): true when the
// record is at least that version. An absent part (-1) is below any value.
bool IsVersionAtLeast(const TSHW_Ver& version, std::span<const int> values, int highIndex);
bool IsVersionAtLeast(const TSHW_Ver& version, std::initializer_list<int> values);

// --- models ---
inline constexpr std::string_view kUnknownModelName = "Unknown Model";
std::uint8_t FlashCodeToType(std::uint8_t code);
// Types 1..255; type 0 is an internal error.
std::uint8_t GetModelFlashCode(std::uint8_t type);
// The serial 42 marks a second-revision unit of the types 1 to 3 (the name of type + 3).
std::string GetModelName(int type, int serial, bool withCode);
double GetBandwidthGHz(bool flag);

// --- options ---
enum : std::uint8_t {
    optClockRecoveryTrig = 1,
    optPatSyncTrig = 2,
    optGenerators = 4,
    optOptics = 8,
    optTDT = 16,
    optJitter = 32,
    optLAN = 128,
};
// The name of one option bit for a model type ("" for bits and types without a name); with code,
// followed by "  (~XX)". The value 255 names the basic unit; any other value that is not a power of 2
// is an internal error.
std::string GetOptionName(int type, int bit, bool withCode, const TLangLookup& lang);
// " + name" for every named bit that is set, from bit value 1 up to 128.
std::string GetOptionsText(int type, int bits, bool withCode, const TLangLookup& lang);

using TMacAddress = std::array<std::uint8_t, 6>;

// The identity record of the current instrument; all zero until it is read.
struct TInstrumentIdentity {
    std::uint8_t BlockNo = 0;     // 0: no valid individual data
    std::uint8_t ModelType = 0;   // 1..8; 0 unknown
    std::uint8_t Options = 0;     // option bits
    std::uint16_t Year = 0;
    std::uint16_t SerialNo = 0;
    TSHW_Ver SWVersion;
    TSHW_Ver FPGAVersion;
    TMacAddress MacAddress{};

    bool operator==(const TInstrumentIdentity&) const = default;

    bool HasOption(std::uint8_t bit) const { return ModelType >= 1 && ModelType <= 8 && (Options & bit) != 0; }
    bool HasOptClockRecoveryTrig() const { return HasOption(optClockRecoveryTrig); }
    bool HasOptPatSyncTrig() const { return HasOption(optPatSyncTrig); }
    bool HasOptGenerators() const { return HasOption(optGenerators); }
    bool HasGenerators() const { return HasOptGenerators(); }
    bool HasOptOptics() const { return HasOption(optOptics); }
    bool HasOptLAN() const { return HasOption(optLAN); }
    bool IsModelFamilyA() const { return ModelType >= 1 && ModelType <= 7; }
    bool IsModelFamilyB() const { return ModelType == 8; }
    // Features this product line does not offer.
    static bool IsJitterModeAvailable() { return false; }
    static bool IsLowJitterAvailable() { return false; }
    static bool IsBandSwitchLocked() { return false; }

    std::string GetInstrumentName() const;
    std::string GetInstrumentKindName(const TLangLookup& lang) const;
    std::string GetOptionsText(bool withCode, const TLangLookup& lang) const {
        return vt::GetOptionsText(ModelType, Options, withCode, lang);
    }
    std::string BuildMainCaption(bool present, const TLangLookup& lang) const;
};

// The MAC address of a unit whose firmware cannot report it: a fixed prefix and the serial's low byte.
TMacAddress FillInstrumentIdentity(const TInstrumentIdentity& identity);

// --- DemoUnits.ini ---
inline constexpr std::string_view kDemoUnitsFileName = "DemoUnits.ini";
std::string DemoSection(std::string_view instrumentName);
std::string DemoKey(int block, std::string_view word);
// The identity of a demo instrument from DemoUnits.ini in `dataRoot`; an entry that is not a number
// in its range takes its default and is reported through `message`.
TInstrumentIdentity ReadDemoIdentity(const std::filesystem::path& dataRoot, std::string_view instrumentName,
                                     const std::function<void(const std::string&)>& message = {});
// Writes one block of a demo instrument (the file is replaced as a whole).
void WriteDemoIdentity(const std::filesystem::path& dataRoot, std::string_view instrumentName, int block,
                       int modelFlashCode, bool eraseSection, int serialNo, int yearCode, int optionCode);

// Some command-line parameter equals the switch, compared without regard to case.
bool HasCommandLineParam(std::span<const std::string> params, std::string_view name);

// The identity of the instrument in use and its reading. Owned by the shell context beside the link.
class TInstrumentIdentityUnit {
public:
    TInstrumentIdentityUnit(TInstrumentLink& link, std::filesystem::path dataRoot);

    TInstrumentIdentity Identity;
    // Messages to the user (the firmware of a unit whose data block reads 255, bad DemoUnits.ini entries).
    std::function<void(const std::string&)> ShowMessage;

    // Fills the identity: from the instrument over USB or LAN, from DemoUnits.ini for the demo
    // instrument `instrumentName`, cleared with no instrument. False only when the identity query
    // timed out; a malformed reply takes the fallback identity.
    bool ReadIndividualData(std::string_view instrumentName);
    // Forgets the identity: no option, no model, no limit of the last instrument survives.
    void ClearIdentity() { Identity = {}; }
    // Asks the instrument (firmware 3.9.4 or later), else the fixed prefix and the serial's low byte.
    TMacAddress GetInstrumentMacAddress();

    const std::filesystem::path& DataRoot() const { return DataRoot_; }

private:
    void Message(const std::string& text) const;

    TInstrumentLink& Link_;
    std::filesystem::path DataRoot_;
    bool Block255Shown_ = false;
};

}  // namespace vt
