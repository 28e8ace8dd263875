#pragma once
// What the instrument link asks of the rest of the program, one small interface per feature that
// answers. Each is set once on the link; until it is, its empty default answers: nothing happens,
// questions answer "no", each step of the recovery succeeds and a text is its built-in English.
#include <cstdint>
#include <string>
#include <string_view>

namespace vt {

// The acquisition engine: its break before every command that is not exempt, and its part in the
// start of an acquisition.
class TLinkAcquisition {
public:
    virtual ~TLinkAcquisition() = default;
    virtual void BreakAcquisitionHook(bool /*afterBreak*/) {}
    // The settings of the start, sent exempt and only where changed.
    virtual void SendAcquisitionSettings(std::uint8_t /*channels*/, std::uint16_t /*recordLength*/,
                                         std::uint16_t /*averages*/, double /*delay*/) {}
    virtual void StartSimulatedAcquisition() {}
    virtual bool PatternLockActive() { return false; }
    virtual void RecheckPatternLock() {}
};

// The display's report of the communication-error state, and its withdrawal when the link recovered.
class TCommErrorReport {
public:
    virtual ~TCommErrorReport() = default;
    virtual void ReportCommError(std::string_view /*suffix*/) {}
    virtual void ClearCommError() {}
};

// The recovery after a good probe, in this order; each step that answers reports success.
class TLinkRecovery {
public:
    virtual ~TLinkRecovery() = default;
    virtual bool ReadIndividualData() { return true; }
    virtual void RefreshAfterConnect() {}
    virtual bool ResendInstrumentSettings() { return true; }
};

// Texts and status of the link.
class TLinkTexts {
public:
    virtual ~TLinkTexts() = default;
    // The language text of a key, else the built-in English text.
    virtual std::string LangText(std::string_view /*key*/, std::string_view builtIn) { return std::string(builtIn); }
    virtual std::string ProductName() { return {}; }
    virtual void SplashStatus(const std::string& /*status*/) {}
    virtual void Beep() {}
};

}  // namespace vt
