#pragma once
// What the jitter analyser draws: the histograms of the seven plot windows and the DDJ-versus-bit
// plot. The windows themselves belong to the user interface; the analyser reaches them only through
// TJitterPlotWindows, and draws on their surfaces pixel by pixel.
#include <array>
#include <functional>
#include <string>
#include <string_view>

#include "core/Color.h"
#include "serial/JitterHistograms.h"

namespace vt {

class TScanLinesScreen;
class TJ_Obj;

inline constexpr int JitterPlotCount = 7;
enum TJitterPlot : int { jpRjPjHist, jpDdjHist, jpTjHist, jpCompHist, jpCompDdjHist, jpDdjVsBit, jpBerBathtub };
// The window keys of the plot types (their captions' language texts).
inline constexpr std::array<std::string_view, JitterPlotCount> JitterPlotKeys = {
    "RJ_PJ_His", "DDJ_Hist", "TJ_Hist", "CompositeHist", "CompDDJ_Hist", "DDJvsBit", "BER_Bathtub"};

inline constexpr TColor JitterPlotBack{0x661111};
inline constexpr TColor JitterFaceColour{0xF0F0F0};

class TJitterPlotWindow {
public:
    virtual ~TJitterPlotWindow() = default;
    virtual TScanLinesScreen* Surface() = 0;
    // The resize timer runs: the surface is about to be rebuilt.
    virtual bool ResizePending() const = 0;
    virtual void SetInfoText(const std::string& text) = 0;
    // The composite choice: drawn in the order Third, Previous, Front.
    virtual int Front() const = 0;
    virtual int Previous() const = 0;
    virtual int Third() const = 0;
    // The choice button pressed since the last drawing, or -1; asking forgets it.
    virtual int TakePressedButton() = 0;
    virtual void SetChoiceButtons(const std::array<std::string, 3>& captions, const std::array<TColor, 3>& colours,
                                  const std::array<bool, 3>& enabled) = 0;
};

// The table of plot windows, by type; none open while there is no main window.
class TJitterPlotWindows {
public:
    virtual ~TJitterPlotWindows() = default;
    virtual TJitterPlotWindow* Window(int type) { (void)type; return nullptr; }
    virtual bool CanOpen() const { return false; }
    virtual void Open(int type) { (void)type; }
    virtual void Free(int type) { (void)type; }
};

// One histogram in the plot area: bars from x = 23 on scale (its own peak when below 1e-15).
void DrawHist(TScanLinesScreen& surface, const TJitterHist& hist, TColor colour, double scale, bool clear, bool axis);
// The drawer of a plot type (action 0 draw, 1 draw or zoom out, 2 zoom in at position x).
using TLangText = std::function<std::string(std::string_view key)>;
void DrawJitterPlot(TJ_Obj& analyser, TJitterPlotWindow& window, int type, int action, int position, const TLangText& lang);
void DrawDDJvsBit(TJ_Obj& analyser, TJitterPlotWindow& window, int action, int position, const TLangText& lang);

}  // namespace vt
