#pragma once
// The bookkeeping of the derived sources (functions F1-F4, memories M1-M4, spectra S1-S2): which are
// out of date, their recomputation in an order that respects their inputs, the redraw of stale
// layers, the view settings a derived record takes, copies between records, and moving and zooming a
// source on the screen. The computations themselves are the analysis services'.
#include <cstdint>
#include <string>
#include <vector>

#include "core/DisplayServices.h"

namespace vt {

class TShell;
class TSignalObj;
class TSignalRecords;

// The points of a record as its trace on the screen shows them.
TDisplayServices::TSignalLayerPoints LayerPointsOf(const TSignalObj& record);

// The view settings of a derived source ("Zoom:<name>:").
struct TDerivedView {
    int ComplexScale = 0;  // Magnitude, Phase, Real, Imaginary
    std::uint32_t Suppress = 0;  // bit 0 DC, bit 1 Phase
    double SupprLevel = -50;
    int VScaleType = 0;  // Linear, Logaritm
    double VertScale = 1;
    double VertDBScale = 20;
    double Offset = 0;
    double OffsInDB = 0;
    double OffsPhase = 0;
    double PhaseScale = 1;
    double HorScale = 1;
    int HorPosition = 0;
};

// The settings a derived source is computed and shown from. The default reads them through the
// command tree by header (an absent source reads None, an absent number 0, an absent view setting its
// start value) and writes the view settings the same way; tests give their own.
class TDerivedInputs {
public:
    explicit TDerivedInputs(TShell& shell) : Shell_(shell) {}
    virtual ~TDerivedInputs() = default;

    struct TFunction {
        int Operation = 0;  // below 4: two operands
        int Source1 = 18;
        int Source2 = 18;
        double Constant = 0;
        int SmoothLen = 0;  // k of the window length 2k + 3
        int TrendMeas = 0;
    };
    struct TSpectrum {
        int Source = 18;
        int Window = 0;
    };
    virtual TFunction Function(int source) const;   // 4..7
    virtual TSpectrum Spectrum(int source) const;   // 12..13
    virtual TDerivedView View(int source) const;    // 4..13
    virtual int XAxis() const;
    virtual int YAxis() const;

    // --- the view settings the moves and zooms change
    virtual void SetViewOffset(int source, double divisions);
    virtual void SetViewDbOffset(int source, double db);
    virtual void SetViewPhaseOffset(int source, double degrees);
    virtual void SetViewVertScale(int source, double scale);
    virtual void SetViewHorScale(int source, double scale);
    virtual void SetViewHorPosition(int source, int points);
    // The target's view settings take the source's; a source that is not derived resets the target's
    // zoom.
    virtual void CopyView(int target, int source);

protected:
    TShell& Shell_;
};

// The fingerprint of a value: its first nine significant digits as an integer between 1e8 and 1e9 in
// magnitude; 0 for |x| < 1e-40; one fixed value for infinities and NaN.
std::int32_t Fingerprint(double x);
inline constexpr std::int32_t NonFiniteFingerprint = -1;

bool IsFunctionSource(int source);  // 4..7
bool IsSpectrumSource(int source);  // 12..13
bool IsDerivedSource(int source);   // 4..13
// The function number (0..3) / spectrum number (0..1); an internal error for any other source.
int FuncNumber(int source);
int SpectrNumber(int source);

class TDerivedSignals {
public:
    TDerivedSignals(TShell& shell, TDerivedInputs& inputs);

    int Argument_1_OfFunc(int source) const;
    int Argument_2_OfFunc(int source) const;
    std::int32_t SignalSettingsSignature(int source) const;
    bool ArgumentsOff(int source) const;
    bool NeedsRecompute(int source) const;
    bool ArgumentsReady(int source) const;

    // Ages the derived sources whose inputs changed and switches off those whose inputs are off;
    // returns the passes made (at most 10).
    int SostaritjIliOtklFuncSpectrGdeNado();
    // Recomputes the derived sources that are on and stale, inputs first; skipF1 leaves F1 alone.
    void ReCalculateFuncAndSpectrGdeNado(bool skipF1);
    bool CalcAndDrawFuncOrSpectr(int source);
    // Redraws the functions and spectra that are computed but not yet drawn.
    void RedrawStaleSignals();
    void RedrawSignalLayer(int source);
    // The view settings of a derived source into its record.
    void ApplyViewSettings(int source);

    void CopySignal(int target, int source);
    void CopySignalValues(int target, int source, bool withSettings);

    // dy, dx: fractions of the screen height and width.
    void MoveSignalByDivisions(int source, double dy, double dx);
    // A box of height h over bottom b, width w from left edge x (fractions of the screen).
    void DragSignalOnScreen(const std::vector<int>& sources, double h, double b, double w, double x);
    void ScaleDerivedSignal(int source, double factor);
    void ScaleDerivedSignalHor(int source, double factor);

    double LevelCrossingIndex(int source, int i, double level) const;
    double InterpolatedValue(int source, int i, double x) const;
    void ShowErrorDlg(const std::string& text);

    const std::string& RememberedMessage() const { return Message_; }

private:
    TSignalRecords& Records() const;
    int StateOf(int source) const;
    bool SourceOn(int source) const;
    void MoveDerivedVertically(int source, double dy);
    void MoveDerivedHorizontally(int source, double dx);
    void SetSingle();

    TShell& Shell_;
    TDerivedInputs& Inputs_;
    std::vector<bool> Marks_;
    std::string Message_;
};

}  // namespace vt
