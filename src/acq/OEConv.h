#pragma once
// The optical-to-electrical converter ("OEConv:" node) and its calibration values: the destination
// channel that its electrical output is cabled to, the wavelength and its conversion gain (three
// factory points and eight user points), the dark level, and the reference power of the gain
// calibration. A channel fed by the converter shows optical power.
#include <array>
#include <functional>
#include <memory>
#include <string>

#include "core/Feature.h"

namespace vt {

class TShell;
class TCommandTree;
class TCalibrAdjust;
class THandler;
class TRadioSwHandler;
class TDoubleEditHandler;
class TRightCommandHandler;
class TOEConvCalibration;

enum TOEDest : int { oedNone = 0, oedCh1 = 1, oedCh2 = 2 };
enum TOEWaveLen : int { oewWL1 = 0, oewWL2 = 1, oewWL3 = 2, oewUserDef = 3 };

inline constexpr int OEUserPoints = 8;
inline constexpr int OEFactoryPoints = 3;
// A conversion gain that no point supplies.
inline constexpr double OEFallbackGain = 400;

bool IsValidOEWavelength(double wavelength);
bool IsValidOEGain(double gain);
// A gain below 1e-4 or from 10000 on cannot be a converter's: the fallback gain stands in.
double UsableOEGain(double gain);

// The valid user points (0..7) by increasing wavelength; equal wavelengths keep the lower point first.
struct TOESortedPoints {
    int Count = 0;
    std::array<int, OEUserPoints> Points{};
    // The position of point d in the list, -1 when it is not in it.
    int PositionOf(int d) const;
};
TOESortedPoints SortOEPoints(const std::array<double, OEUserPoints>& wavelengths,
                             const std::array<double, OEUserPoints>& gains);

// The conversion gain (V/W) of the selected converter wavelength for the libraries that cannot reach
// the converter itself (the eye's average power): the converter keeps it in `Flash:OE:ConversionGain`.
// The fallback gain without the converter's settings.
double OEConvGainForWavelength(TShell& shell);
// The converter's stored zero power (`TOEConv::StoredZeroPower`), likewise for those libraries.
double OEConvStoredZeroPower(const TShell& shell);

class TOEConv : public TFeature {
public:
    TOEConv(TShell& shell, TCalibrAdjust* calibration);
    ~TOEConv() override;
    TOEConv(const TOEConv&) = delete;
    TOEConv& operator=(const TOEConv&) = delete;

    void FillRows(TShell& shell) override;
    // A script's calibration run that no acquisition steps any more ends as failed.
    int CheckDeadlines(TShell& shell) override;
    // The close ends a calibration run as its Cancel does, so that the settings saved for the next
    // start are the user's, not the run's.
    void StopRunning() override;

    // Registration: once, in the order the settings' nodes need (a second call does nothing).
    void CreateOEConvHandlers(TCommandTree& tree);
    void RefreshOEConvHandlers();

    double OEConvGainForWavelength() const;
    // Channels are 2 (Ch1) and 3 (Ch2).
    bool IsChannelFedByOEConverter(int channel) const;
    // The channel the converter feeds, 0 when none.
    int ConverterChannel() const;
    // Conversion gain to the setting and to the channel the converter feeds.
    void GainUpdate();

    const TOESortedPoints& SortedPoints() const { return Sorted_; }
    // The text of a user point's wavelength: 4 digits with " m", or the language text "Empty".
    std::string PointWavelengthText(int point) const;
    // The text of the sorted list's position k (the empty text beyond the count).
    std::string SortedPositionText(int position) const;
    double FactoryWavelength(int n) const;  // n 0..2
    double UserWavelength(int d) const;
    double UserGain(int d) const;
    int ChosenPoint() const;                 // `FLASH:OECalibr:PointNum`, 0..7
    TDoubleEditHandler* UserGainHandler(int d) const { return Points_[d].Gain; }

    // The measured zero power of the last dark-level run (the average-power reading's stored value).
    double StoredZeroPower() const;
    void SetStoredZeroPower(double power);

    // An open menu follows the user points (its "Calibration Point" and "User Wavelength" lists).
    std::function<void()> PointsChanged;

    TOEConvCalibration& Calibration() { return *Calibration_; }

private:
    struct TPoint {
        TDoubleEditHandler* Wavelength = nullptr;
        TDoubleEditHandler* Gain = nullptr;
    };
    void DestChanged(THandler& h);
    void ToVolts(int channel);
    void ToWatts(int channel);
    void DarkLevelChanged();
    void FactoryPointChanged(THandler& h, const std::string& query);
    void UserPointChanged(int d, bool wavelength);
    void PointBookkeeping(int d, bool select);
    void WaveLenChanged();
    bool TakeBack(THandler& h, const std::string& query, double tolerance);
    bool Quiet() const;
    double ChannelFactor(int channel) const;

    TShell& Shell_;
    TCalibrAdjust* Calibration_Values_ = nullptr;
    std::unique_ptr<TOEConvCalibration> Calibration_;
    bool Registered_ = false;
    bool TakingBack_ = false;
    int RememberedDest_ = oedNone;
    TOESortedPoints Sorted_;
    TRadioSwHandler* Dest_ = nullptr;
    TRadioSwHandler* WaveLen_ = nullptr;
    TRadioSwHandler* UserWaveLen_ = nullptr;
    TDoubleEditHandler* ConversionGain_ = nullptr;
    TDoubleEditHandler* DarkLvl_ = nullptr;
    TRadioSwHandler* PointNum_ = nullptr;
    TDoubleEditHandler* Power_ = nullptr;
    TRightCommandHandler* AutoCalGain_ = nullptr;
    std::array<TPoint, OEFactoryPoints> Factory_{};
    std::array<TPoint, OEUserPoints> Points_{};
};

}  // namespace vt
