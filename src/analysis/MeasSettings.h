#pragma once
// The measurement settings the measurement engine reads, in one read-only place: the global "Meas:"
// choices, the limit test's switch and each source's level, threshold, window and spectrum settings.
// An absent setting reads as its initial value, so nothing is measured before the settings exist.
#include <string>

namespace vt {

class TCommandTree;
class TShell;

struct TMeasGlobalSettings {
    int Display = 0;   // Off, Param, Statistic
    int DisplSrc = 0;  // the source of the definition layer
    bool View = true;
    int Mode = 0;  // Permanent, Single
    bool LimitTestOn = false;
};

struct TMeasSourceSettings {
    int Method = 0;  // Hist, MinMax, Marker
    double Top = 768, Base = 256;  // rows
    int Thresh = 0;  // 10-90, 20-80, Custom
    int Unit = 0;    // Percent, Volt, Division
    double UpThresh = 683, MidThresh = 512, LowThresh = 341;  // rows
    double UpThPerc = 80, MidThPerc = 50, LowThPerc = 20;
    int MargMode = 1;  // Slope, Marker
    int LeftSlope = 0, RightSlope = 5;
    int LeftTresh = 1, RightTresh = 1;  // Upper, Middle, Lower
    double LeftMarker = 0, RightMarker = 4000;  // columns
    int FFTMethod = 0;  // Harmonic, Peak
    double FFTLeft = 0, FFTRight = 4000;
    double PeakLevel = -20;  // dB
    int PeakLeft = 1, PeakRight = 3;
    int Source2 = 2;  // Ch2
};

inline constexpr int MaxSlopeSetting = 127;

class TMeasSettings {
public:
    explicit TMeasSettings(TShell* shell = nullptr) : Shell_(shell) {}
    virtual ~TMeasSettings() = default;

    virtual TMeasGlobalSettings Global() const;
    virtual TMeasSourceSettings Source(int source) const;
    // The window written back into the settings (each clamped to its range by the setting).
    virtual void SetSlopes(int source, int left, int right);
    virtual void SetMarkers(int source, int left, int right);

private:
    TCommandTree* Tree() const;
    TShell* Shell_;
};

// "Meas:<short source name>:<name>".
std::string MeasSourcePath(int source, const char* name);

}  // namespace vt
