#pragma once
// The two spectra S1 and S2: their settings ("Spectr1:", "Spectr2:", "SHADOW:FFTSelect"), the amplitude
// spectrum of a source after a data window, and the error each spectrum reported last.
#include <array>
#include <functional>
#include <string>
#include <string_view>

namespace vt {

class TShell;
class TCommandTree;
class TSignalObj;
class TZoomViews;
class TRadioSwHandler;
class TOnOffHandler;
class TSignalSourceSwHandler;

inline constexpr int SpectrumCount = 2;

// The horizontal unit of the spectrum of a record in unit: "s" gives "Hz", "Bit" and no unit give none,
// any other u gives "1/u".
std::string SpectrumHorUnit(std::string_view unit);
// The unit back from a spectrum's: "Hz" gives "s", "1/u" gives u, any other "s".
std::string InverseSpectrumHorUnit(std::string_view unit);

// The spectrum of source into target (the target's name becomes name). False, and the target
// untouched, when the source's length is not a transform size.
bool ComputeSpectrum(TSignalObj& target, const TSignalObj& source, int window, std::string_view name);

class TSpectra {
public:
    struct THandlers {
        TOnOffHandler* Display = nullptr;
        TSignalSourceSwHandler* Source = nullptr;
        TRadioSwHandler* Window = nullptr;
    };

    explicit TSpectra(TShell& shell) : Shell_(shell) {}

    void CreateFFTHandlers(TCommandTree& tree);
    // Spectrum source 12 or 13; false when not computed (the record is kept).
    bool CalcSpectrum(int source);

    TZoomViews* Zoom = nullptr;
    // A setting of a spectrum changed (the derived sources are brought up to date while stopped).
    std::function<void()> SettingsChanged;

    int Selected() const;  // 0 Spectr1, 1 Spectr2
    const THandlers& Handlers(int k) const { return Handlers_.at(static_cast<std::size_t>(k)); }
    const std::string& KeptError(int k) const { return Errors_.at(static_cast<std::size_t>(k)); }

private:
    void Report(int k, const std::string& text);
    void Changed();

    TShell& Shell_;
    TRadioSwHandler* Select_ = nullptr;
    std::array<THandlers, SpectrumCount> Handlers_{};
    std::array<std::string, SpectrumCount> Errors_{};
};

}  // namespace vt
