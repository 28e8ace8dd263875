#include "display/TopStatusStrip.h"

#include <algorithm>
#include <array>
#include <charconv>

#include "acq/AcqSettings.h"
#include "acq/SaveRecall.h"
#include "acq/SignalObj.h"
#include "acq/SignalSources.h"
#include "acq/Timebase.h"
#include "acq/Trigger.h"
#include "acq/WaveformDatabase.h"
#include "core/CommandTree.h"
#include "core/EngineeringText.h"
#include "core/InternalError.h"
#include "core/SettingReaders.h"
#include "core/Shell.h"
#include "display/DisplayPanel.h"
#include "display/DisplaySettings.h"
#include "display/ScopeDisplayServices.h"
#include "link/InstrumentIdentity.h"

namespace vt {

namespace {
constexpr int DatabaseElement = 14;  // the screen element after the 14 traces

// The two sampling-mode icons: plain sampling (dots of a sine) and single sampling (a drawn sine).
// '#' is lit, '.' the strip's background.
constexpr std::array<std::array<const char*, 16>, 2> IconArt = {{
    {"................", "................", "....#...........", "..#...#.........", "................",
     ".#.......#......", "................", "#..........#....", "................", "............#..#",
     "................", "..............#.", "................", "................", "################",
     "................"},
    {"................", "................", "...###..........", "..#...#.........", ".#.....#........",
     ".#......#.......", "#........#......", "#.........#.....", "...........#...#", "............#..#",
     ".............##.", "................", "................", "................", "################",
     "................"},
}};

TCommandTree* Tree(TScopeDisplayServices& d) { return d.Shell().CommandTree(); }

bool Registered(TScopeDisplayServices& d) {
    TCommandTree* tree = Tree(d);
    return tree && tree->RegistrationFinished();
}

TVerhText* Strip(TScopeDisplayServices& d) { return d.Panel() ? &d.Panel()->TopStrip() : nullptr; }

bool DatabaseWritten(TScopeDisplayServices& d) {
    const TSaveRecall* state = d.Shell().SaveRecall();
    return state && state->DatabaseOpen();
}

bool DatabaseShown(TScopeDisplayServices& d) { return d.Settings() && d.Settings()->DataBaseExist().On(); }

int SourceOfColumn(int column) {
    if (column != ChannelIndex1 && column != ChannelIndex2) VT_INTERNAL_ERROR(TopTextUnitName, "Range check error");
    return column == ChannelIndex1 ? ssCh1 : ssCh2;
}

bool ChannelOn(TScopeDisplayServices& d, int source) {
    const TSignalRecords* records = d.Shell().Records();
    return records && records->SignalsOn().IsOn(source);
}

std::string Count(double n) { return FloatToEngStr(0, 5, false, false, n); }

std::string General(double v) {
    std::array<char, 32> buffer{};
    const auto end = std::to_chars(buffer.data(), buffer.data() + buffer.size(), v, std::chars_format::general);
    return std::string(buffer.data(), end.ptr);
}

TColor Rgb(std::uint32_t value) { return TColor(value & 0xFFFFFFu); }

TColor ContrastToScreen(TScopeDisplayServices& d) {
    return ContrastTextColor(Rgb(d.Colors().ColorValue(ceBackground)));
}
}  // namespace

TPixelRect TopCellRect(int column, int row) {
    static constexpr std::array<int, 5> edges = {10, 135, 260, 385, 465};
    if (row != 1 && row != 2) VT_INTERNAL_ERROR(TopTextUnitName, "Range check error");
    const int top = (row - 1) * 16;
    if (column == 10) return {10, top, 260, top + 16};
    if (column < 0 || column > 3) VT_INTERNAL_ERROR(TopTextUnitName, "Range check error");
    const auto c = static_cast<std::size_t>(column);
    return {edges[c], top, edges[c + 1], top + 16};
}

namespace {
// The strip's places at its narrowest: the four columns' edges, the icon's and the strip's end.
constexpr std::array<int, 7> NarrowestEdges = {10, 135, 260, 385, 465, SampleModeIconX, TopStripWidth};

// Each place's width at the least: a column's widest usual text, the icon whole; the room before the
// icon and after it may go.
std::array<int, 6> LeastWidths(const TSLBMP& bitmap) {
    auto text = [&bitmap](const char* widest) { return bitmap.TextWidth(QString::fromLatin1(widest)) + 1; };
    const int channel = text("12 GHz  888.8 MSa/s");
    return {channel, channel, std::max(text("Color Grade"), text("888.8 mV/div")), text("Clock Recovery"), 0,
            SampleModeIconSize};
}
}  // namespace

int TVerhText::SpreadX(int x) const {
    const int width = Width();
    if (width >= TopStripWidth)
        return TopStripLeft + (x - TopStripLeft) * (width - TopStripLeft) / (TopStripWidth - TopStripLeft);
    // Narrower than its narrowest places, the strip squeezes what each place has beyond its least width,
    // all alike, so that no column cuts its text; below the sum of the least widths they shrink alike.
    if (SqueezedFor_ != width) {
        const std::array<int, 6> least = LeastWidths(Bitmap());
        int leastSum = 0, fullSum = 0;
        for (std::size_t i = 0; i < least.size(); ++i) {
            leastSum += least[i];
            fullSum += NarrowestEdges[i + 1] - NarrowestEdges[i];
        }
        const int room = std::max(0, width - TopStripLeft);
        SqueezedEdges_[0] = TopStripLeft;
        long long full = 0, squeezed = 0;
        for (std::size_t i = 0; i < least.size(); ++i) {
            const int base = NarrowestEdges[i + 1] - NarrowestEdges[i];
            full += base;
            squeezed += least[i];
            // Edges from the running sums, so that rounding never adds up.
            const long long at = room >= leastSum
                                     ? squeezed + (full - squeezed) * (room - leastSum) / std::max(1, fullSum - leastSum)
                                     : squeezed * room / std::max(1, leastSum);
            SqueezedEdges_[i + 1] = TopStripLeft + static_cast<int>(at);
        }
        SqueezedFor_ = width;
    }
    for (std::size_t i = 0; i + 1 < NarrowestEdges.size(); ++i)
        if (x <= NarrowestEdges[i + 1] || i + 2 == NarrowestEdges.size()) {
            const int from = NarrowestEdges[i], to = NarrowestEdges[i + 1];
            return SqueezedEdges_[i] + (x - from) * (SqueezedEdges_[i + 1] - SqueezedEdges_[i]) / (to - from);
        }
    return x;
}

TPixelRect TVerhText::SpreadRect(TPixelRect rect) const {
    rect.Left = SpreadX(rect.Left);
    rect.Right = SpreadX(rect.Right);
    return rect;
}

void TVerhText::ShowText(TPixelRect cell, const std::string& text, TColor colour) {
    SetFontColor(colour);
    // The watch hears every text the strip is given, drawn or already shown.
    if (TextWatch) TextWatch(cell, text, colour);
    // The acquisition shows its state after every pass: text is drawn only where it changes.
    const auto same = std::find_if(Shown_.begin(), Shown_.end(), [&](const TShownText& s) { return s.Cell == cell; });
    if (same != Shown_.end() && same->Text == text && same->Colour == colour) return;
    // A cell drawn over others (the two channel cells together) leaves them to be drawn again.
    ForgetOverlapping(Shown_, cell);
    Shown_.push_back({cell, text, colour});
    const TPixelRect rect = SpreadRect(cell);
    // Squeezed below its widest texts (a window below about 520 pixels), a column narrows a text's
    // letters rather than losing its end.
    const QString shown = QString::fromStdString(text);
    QFont& font = Bitmap().Font();
    const QFont normal = font;
    for (int stretch = 95; !Bitmap().TextFits(shown, rect.Right - rect.Left - 1) && stretch >= 50; stretch -= 5)
        font.setStretch(stretch);
    if (Visible()) {
        TextRect(rect, 0, 0, text);
    } else {
        // Kept in the bitmap for when the layout shows the strip again.
        Bitmap().DrawText(rect, rect.Left, rect.Top, shown);
    }
    font = normal;
}

void TVerhText::DrawSampleModeIcon(int icon) {
    const auto& art = IconArt.at(static_cast<std::size_t>(icon));
    const int left = SpreadX(SampleModeIconX);
    for (int y = 0; y < SampleModeIconSize; ++y)
        for (int x = 0; x < SampleModeIconSize; ++x)
            Bitmap().SetPixel(left + x, SampleModeIconY + y,
                              art[static_cast<std::size_t>(y)][x] == '#' ? clWhite : Color());
    // What was drawn is what goes to the window.
    if (Visible())
        BlitRect(left, SampleModeIconY, left + SampleModeIconSize - 1, SampleModeIconY + SampleModeIconSize - 1);
}

void TVerhText::Resize(int left, int top, int width, int height) {
    TScanLinesTextScreen::Resize(left, top, width, height);
    Shown_.clear();
}

void TVerhText::Clear() {
    TScanLinesTextScreen::Clear();
    Shown_.clear();
}

void TVerhText::SetColor(TColor colour) {
    TScanLinesTextScreen::SetColor(colour);
    Shown_.clear();
}

void TVerhText::ResetShown() {
    Shown_.clear();
    CachedAcqState = {};
    TrigStateShown = 0;
    IconState = IconStateReset;
}

// ---------------------------------------------------------------------------------------------------
void TopTextUpdateAll(TScopeDisplayServices& d) {
    if (!Registered(d) || !Strip(d)) return;
    TopTextShowColumns(d);
    TopTextShowDisplayStyle(d);
    TopTextShowTrigSource(d);
    TopTextShowMask(d);
    if (DatabaseShown(d)) TopTextShowDatabase(d);
    TopTextShowSampleModeIcon(d);
}

void TopTextShowColumn(TScopeDisplayServices& d, int column) {
    TopTextShowSampleRate(d, column);
    TopTextShowAcqState(d, column, false);
}

void TopTextShowColumns(TScopeDisplayServices& d) {
    TopTextShowColumn(d, ChannelIndex1);
    TopTextShowColumn(d, ChannelIndex2);
}

void TopTextShowSampleRates(TScopeDisplayServices& d) {
    TopTextShowSampleRate(d, ChannelIndex1);
    TopTextShowSampleRate(d, ChannelIndex2);
}

void TopTextShowSampleRate(TScopeDisplayServices& d, int column) {
    TVerhText* strip = Strip(d);
    const int source = SourceOfColumn(column);
    if (!strip || !Registered(d) || DatabaseWritten(d) || DatabaseShown(d)) return;
    TShell& shell = d.Shell();
    TCommandTree* tree = Tree(d);
    std::string text;
    if (ChannelOn(d, source)) {
        double t = ReadChoiceSetting(tree, "TB:Mode", tbmA) == tbmB ? ReadRealSetting(tree, "TB:ScaleB", 1e-8)
                                                                  : ReadRealSetting(tree, "TB:ScaleA", 1e-8);
        if (GetAcqMode(shell, column) == amPeak) {
            const double p = GetPeakDetectInterval(shell, column);
            if (p > 2.2) t = t * 2 / p;
        }
        const int c = GetAcqCount(shell, column);
        const double rate = c <= 0 || t <= 0 ? 0 : 1 / (t / (c / 512.0 * 50));
        const std::string band = source == ssCh1 ? "Ch1:Band" : "Ch2:Band";
        text = General(GetBandwidthGHz(ReadChoiceSetting(tree, band, 0) == 0)) + " GHz  " +
               FloatToEngStr(3, 4, false, false, rate) + shell.LangStr("Sampl_s");
    }
    strip->ShowText(TopCellRect(column - ChannelIndex1, 1), text, Rgb(d.Colors().ColorValue(source)));
}

void TopTextShowAcqState(TScopeDisplayServices& d, int column, bool stopped) {
    TVerhText* strip = Strip(d);
    const int source = SourceOfColumn(column);
    // The acquisition's settings exist once every setting is registered.
    if (!strip || !Registered(d) || DatabaseWritten(d) || DatabaseShown(d)) return;
    TShell& shell = d.Shell();
    const int countIndex = AcqSettingsShared(shell) ? ChannelIndex1 : column;
    std::string text;
    if (!ChannelOn(d, source)) {
        text.clear();
    } else if (stopped) {
        text = shell.LangStr("Stopped_") + Count(d.AcquisitionCount(column));
    } else {
        const int mode = GetAcqMode(shell, column);
        int count = 0;
        switch (mode) {
            case amSample: text = shell.LangStr("Sample"); break;
            case amAvgStab:
                text = shell.LangStr("NAverages");
                count = d.AccumulatedCount(column);
                break;
            case amAvgMult:
            case amAvgMedian:
                text = shell.LangStr("NAverages");
                count = GetAcqIntSetting(shell, column);
                break;
            case amPeak: text = shell.LangStr("NPeakDet"); break;
            default:
                text = shell.LangStr("NAcquisions");
                count = d.AccumulatedCount(countIndex);
                break;
        }
        if (mode >= amAvgStab && mode <= amEnvMin) {
            if (count >= AcqEnvContinuousAbove && mode >= amEnvMinMax) text = shell.LangStr("Continuously");
            else text += Count(count);
        } else if (mode == amPeak) {
            text += FloatToEngStr(3, 5, false, false, GetAcqRealSetting(shell, column)) + "s";
        }
    }
    const TColor colour = d.Colors().SourceRGB(source);
    std::string& cached = strip->CachedAcqState[static_cast<std::size_t>(column - ChannelIndex1)];
    if (!text.empty() && text == cached && strip->GetFontColor() == colour) return;
    strip->ShowText(TopCellRect(column - ChannelIndex1, 2), text, colour);
    cached = text;
}

void TopTextShowStoppedStates(TScopeDisplayServices& d, const std::array<std::string, 2>& before) {
    TVerhText* strip = Strip(d);
    if (!strip || !Registered(d) || DatabaseWritten(d) || DatabaseShown(d)) return;
    const std::string stopped = d.Shell().LangStr("Stopped_");
    for (std::size_t i = 0; i < before.size(); ++i) {
        if (!before[i].starts_with(stopped)) continue;
        const int column = ChannelIndex1 + static_cast<int>(i);
        strip->ShowText(TopCellRect(static_cast<int>(i), 2), before[i], d.Colors().SourceRGB(SourceOfColumn(column)));
        strip->CachedAcqState[i] = before[i];
    }
}

void TopTextShowDisplayStyle(TScopeDisplayServices& d) {
    TVerhText* strip = Strip(d);
    const TDisplaySettings* settings = d.Settings();
    if (!strip || !settings) return;
    const int trace = settings->SelectedTrace();
    const TShell& shell = d.Shell();
    std::string text;
    switch (settings->StyleOf(trace)) {
        case dsDots: text = shell.LangStr("Dots"); break;
        case dsVectors: text = shell.LangStr("Vectors"); break;
        case dsVarPersist:
        case dsInfinPers: text = shell.LangStr("Persist"); break;
        case dsVarGrayScal:
        case dsInfGrayScal: text = shell.LangStr("GrayScale"); break;
        case dsVColorGrad:
        case dsIColorGrad: text = shell.LangStr("ColorGrade"); break;
        default: text = "??"; break;
    }
    strip->ShowText(TopCellRect(2, 1), text, settings->AllLocked() ? clWhite : d.Colors().SourceRGB(trace));
}

void TopTextShowTrigSource(TScopeDisplayServices& d) {
    TVerhText* strip = Strip(d);
    if (!strip) return;
    TCommandTree* tree = Tree(d);
    const TShell& shell = d.Shell();
    std::string text;
    switch (ReadChoiceSetting(tree, "Trig:Source", tsDirect)) {
        case tsDirect: text = shell.LangStr("External"); break;
        case tsExtHF: text = shell.LangStr("ExternalHF"); break;
        case tsIntClock:
            text = shell.LangStr("IntRate") + FloatToEngStr(1, 4, false, false, ReadRealSetting(tree, "Trig:IntRate", 1e-5)) +
                   "s";
            break;
        case tsClockRecov: text = shell.LangStr("ClockRecovery"); break;
        default: text = "Advanced"; break;
    }
    strip->ShowText(TopCellRect(3, 1), text, ContrastToScreen(d));
}

void TopTextShowMask(TScopeDisplayServices& d) {
    TVerhText* strip = Strip(d);
    if (!strip) return;
    std::string text;
    if (d.MaskInfo) {
        if (const std::optional<TTopMaskInfo> mask = d.MaskInfo()) {
            switch (mask->Kind) {
                case 1:
                case 2: text = mask->Name; break;
                case 3: text = d.Shell().LangStr("Automask"); break;
                case 4: text = d.Shell().LangStr("Usermask"); break;
                default: break;
            }
        }
    }
    strip->ShowText(TopCellRect(2, 2), text, ContrastToScreen(d));
}

void TopTextShowTrigState(TScopeDisplayServices& d, int state) {
    TVerhText* strip = Strip(d);
    if (!strip || state == strip->TrigStateShown) return;
    strip->TrigStateShown = static_cast<std::uint8_t>(state);
    const TShell& shell = d.Shell();
    switch (state) {
        case 0: strip->ShowText(TopCellRect(3, 2), "", TColor(0x00FF00)); break;
        case 1: strip->ShowText(TopCellRect(3, 2), shell.LangStr("Trig_d"), TColor(0x00FF00)); break;
        case 2: strip->ShowText(TopCellRect(3, 2), shell.LangStr("NotTrig"), TColor(0x8080FF)); break;
        case 3: strip->ShowText(TopCellRect(3, 2), shell.LangStr("Freerun"), TColor(0x00FFFF)); break;
        default: strip->ShowText(TopCellRect(3, 2), "", TColor(0x00FFFF)); break;
    }
}

void TopTextShowSampleModeIcon(TScopeDisplayServices& d) {
    TVerhText* strip = Strip(d);
    if (!strip) return;
    SyncSampleMode(d.Shell());
    const std::uint8_t state = AcqIsPlainSampling(d.Shell(), false) ? 0 : 1;
    if (state == strip->IconState) return;
    strip->IconState = state;
    strip->DrawSampleModeIcon(state);
}

void TopTextShowDatabase(TScopeDisplayServices& d) {
    TVerhText* strip = Strip(d);
    const TSaveRecall* state = d.Shell().SaveRecall();
    if (!strip || !state) return;
    const TWaveDatabase& db = state->Database();
    const TShell& shell = d.Shell();
    const TColor colour = Rgb(d.Colors().ColorValue(DatabaseElement));
    // The database's own scales and units (its vertical scale is per division already). A loaded file
    // whose horizontal scale is not known shows none: the timebase now is not the one it was made at.
    const TSignalRecords* records = d.Shell().Records();
    const TSignalObj* record = records ? records->FindRecord(db.Source) : nullptr;
    const std::string horizontal =
        db.HorScale > 0 ? FloatToEngStr(3, 5, false, false, db.HorScale) + (db.HorUnit.empty() ? "s" : db.HorUnit) : "";
    const std::string unit = !db.VertUnit.empty() ? db.VertUnit : record ? record->GetVertUnit() : "V";
    // The fields cover the acquisition states: those are written again once the database goes. Ch2's
    // rate has no field in its place: it is cleared, since no rate is written while the database shows.
    strip->CachedAcqState = {};
    strip->ShowText(TopCellRect(0, 1), shell.LangStr("Database_") + SourceShortName(db.Source), colour);
    strip->ShowText(TopCellRect(1, 1), "", colour);
    strip->ShowText(TopCellRect(0, 2), shell.LangStr("nWfm_") + std::to_string(db.Count), colour);
    strip->ShowText(TopCellRect(1, 2), horizontal, colour);
    strip->ShowText(TopCellRect(2, 1),
                    FloatToEngStr(3, 6, false, false, db.VertScale) + unit + "/" + shell.LangStr("div"), colour);
    strip->ShowText(TopCellRect(2, 2), FloatToEngStr(3, 6, false, false, db.VertOffset) + unit, colour);
}

void TopTextShowWaveformCount(TScopeDisplayServices& d, int n) {
    if (TVerhText* strip = Strip(d))
        strip->ShowText(TopCellRect(10, 2), d.Shell().LangStr("nWaveforms_") + std::to_string(n), clWhite);
}

}  // namespace vt
