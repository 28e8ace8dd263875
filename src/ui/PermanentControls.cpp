#include "ui/PermanentControls.h"

#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <algorithm>
#include <array>
#include <functional>
#include <limits>
#include <string>

#include "ui/SideMenu.h"
#include "ui/controls/ButtonSwitchers.h"
#include "ui/controls/EditSwitcher.h"
#include "ui/controls/LabelSwitcher.h"
#include "ui/controls/ListBoxSwitcher.h"

namespace vt {

namespace {

// Two rows; a strip too narrow for its values side by side takes two more below them.
constexpr int RowTop[4] = {1, 26, 51, 76};
constexpr int BandHeight = 50;
constexpr int RowHeight = 24;     // a title-less value field of 20 pixels in its frames
constexpr int ListHeight = 22;
constexpr int Gap = 1;
// A title-less edit beside its value field: the text's margins (5) and the arrows (20).
constexpr int EditFrame = 25;

// The widest value each quick field shows, in every unit its setting can take (volts through an
// attenuator, watts, reflection and impedance; seconds, bits and distances), with every digit its
// format gives.
const char* const ChannelScaleTexts[] = {"888.8 mRho/div", "88.88 Ohm/div", "888.8 mW/div", "888.8 kV/div",
                                         "888.8 mA/div",   "888.8 m?/div",  "888.8 k/div"};
const char* const ChannelOffsetTexts[] = {"-888.8 mRho", "-888.8 mOhm", "-388.8 Ohm", "-888.8 mW",
                                          "-888.8 kV",   "-888.8 mA",   "-888.8 m?"};
const char* const HorizontalScaleTexts[] = {"888.888 mBit/div", "888.888 ms/div", "888.888 min/div", "888.888 mft/div"};
const char* const DelayTexts[] = {"888.888 mbit", "888.888 ms", "888.888 min", "888.888 mft"};
const char* const LevelTexts[] = {"-888.8 mV", "-888.8 mW", "-888.8 mA", "888.888 ms"};

template <std::size_t N>
int EditWidthFor(const QFontMetrics& metrics, const char* const (&texts)[N]) {
    int widest = 0;
    for (const char* text : texts) widest = std::max(widest, metrics.horizontalAdvance(QString::fromUtf8(text)));
    return widest + EditFrame;
}

constexpr int LabelLeft = 2, LabelWidth = 24, DisplayLeft = 26, ScaleLeft = 48;
constexpr int ModeWidth = 46, TriggerWidth = 80;
constexpr int NarrowestEdit = 40;

// Beside its item a list leaves room for its frame and its button.
constexpr int ListFrame = 30;
const char* const TriggerTexts[] = {"Direct", "ExtHF", "IntClock", "ClockRecov", "Pos", "Neg"};

// The value fields and the trigger's lists, in the order of the widths below.
enum TField : std::size_t { fScale, fOffset, fTimebase, fDelay, fLevel, fTrigger, FieldCount };
using TFieldWidths = std::array<int, FieldCount>;

// Where each control goes. Columns, left to right: channel label and display switch; scale; offset;
// the timebase's scale over its delay; the trigger's source over its slope; the trigger level over the
// timebase's mode. Stacked, the timebase's, trigger's and level's columns go to two rows of their own
// below the channels'.
struct TStripPlaces {
    bool Stacked = false;
    int Scale = 0, OffsetLeft = 0, Offset = 0, TimebaseLeft = 0, Timebase = 0, Delay = 0, TriggerLeft = 0,
        Trigger = 0, LevelLeft = 0, Level = 0;
    int Right() const { return std::max(OffsetLeft + Offset, LevelLeft + std::max(Level, ModeWidth)); }
    int FirstTimebaseRow() const { return Stacked ? 2 : 0; }
    int Height() const { return Stacked ? 2 * BandHeight : BandHeight; }
};

TStripPlaces PlacesFor(const TFieldWidths& w, bool stacked) {
    TStripPlaces p;
    p.Stacked = stacked;
    p.Scale = w[fScale];
    p.OffsetLeft = ScaleLeft + p.Scale + Gap;
    p.Offset = w[fOffset];
    p.TimebaseLeft = stacked ? LabelLeft : p.OffsetLeft + p.Offset + Gap;
    p.Timebase = w[fTimebase];
    p.Delay = w[fDelay];
    p.TriggerLeft = p.TimebaseLeft + std::max(p.Timebase, p.Delay) + Gap;
    p.Trigger = w[fTrigger];
    p.LevelLeft = p.TriggerLeft + p.Trigger + Gap;
    p.Level = w[fLevel];
    return p;
}

// The width a control needs for the value or item it shows now, at the application font.
int ShownValueWidth(const TRC_RightMenuPanel& strip, const char* name, const QFontMetrics& metrics) {
    const QObject* sw = strip.findChild<const QObject*>(QLatin1String(name), Qt::FindDirectChildrenOnly);
    if (const auto* edit = dynamic_cast<const TRC_LabelSwitcher*>(sw))
        return metrics.horizontalAdvance(edit->ValueText()) + EditFrame;
    if (const auto* list = dynamic_cast<const TRC_ListBoxSwitcher*>(sw))
        return metrics.horizontalAdvance(list->List().currentText()) + ListFrame;
    return 0;
}

// Every value field as wide as its widest value at the application font. A strip narrower than that
// (a small window) gives up, alike, what each field has beyond the value it shows now, and fills its
// width; where the values shown do not fit side by side, the timebase's and trigger's columns go below
// the channels' and the two bands share the room alike. Only a strip too narrow even for that narrows
// the fields alike below their values.
TStripPlaces StripPlaces(const TRC_RightMenuPanel& strip, int stripWidth) {
    const QFontMetrics metrics(ValueFont());
    const TFieldWidths widest = {EditWidthFor(metrics, ChannelScaleTexts), EditWidthFor(metrics, ChannelOffsetTexts),
                                 EditWidthFor(metrics, HorizontalScaleTexts), EditWidthFor(metrics, DelayTexts),
                                 EditWidthFor(metrics, LevelTexts),
                                 std::max(TriggerWidth, EditWidthFor(metrics, TriggerTexts) - EditFrame + ListFrame)};
    if (PlacesFor(widest, false).Right() <= stripWidth) return PlacesFor(widest, false);
    auto shown = [&](const char* first, const char* second) {
        return std::max({NarrowestEdit, ShownValueWidth(strip, first, metrics), ShownValueWidth(strip, second, metrics)});
    };
    TFieldWidths least = {shown("edswCh1Scale", "edswCh2Scale"), shown("edswCh1Offset", "edswCh2Offset"),
                          shown("edswTBScaleA", "edswTBScaleA"), shown("edswTBDelay", "edswTBDelay"),
                          shown("edswTrigExtLevel", "edswTrigExtLevel"), shown("lbswTrigSource", "lbswTrigSlope")};
    for (std::size_t i = 0; i < FieldCount; ++i) least[i] = std::min(least[i], widest[i]);
    auto between = [&](int per1000, bool stacked) {
        TFieldWidths w{};
        for (std::size_t i = 0; i < FieldCount; ++i) w[i] = least[i] + (widest[i] - least[i]) * per1000 / 1000;
        return PlacesFor(w, stacked);
    };
    for (const bool stacked : {false, true}) {
        if (between(0, stacked).Right() > stripWidth) continue;
        int lo = 0, hi = 1000;  // the most of the room beyond the values shown that fits
        while (lo < hi) {
            const int mid = (lo + hi + 1) / 2;
            if (between(mid, stacked).Right() <= stripWidth) lo = mid;
            else hi = mid - 1;
        }
        return between(lo, stacked);
    }
    TStripPlaces places = between(0, true);
    for (int percent = 99; places.Right() > stripWidth && percent >= 50; --percent) {
        TFieldWidths w{};
        for (std::size_t i = 0; i < FieldCount; ++i) w[i] = std::max(NarrowestEdit, least[i] * percent / 100);
        places = PlacesFor(w, true);
    }
    return places;
}

// In a strip narrower than its widest values the controls follow the values they show; a value that
// needs the other number of rows asks the window for them.
TRC_Switcher::TOnUpdateMe FollowShownValues(TRC_RightMenuPanel& strip, std::function<void()> heightChanged) {
    return [&strip, heightChanged](TRC_Switcher&) {
        if (strip.width() <= 0) return;
        const int height = PlacePermanentControls(strip, strip.width());
        if (heightChanged && height != strip.height()) heightChanged();
    };
}

void Place(TRC_RightMenuPanel& strip, const char* name, int left, int row, int width, int height) {
    if (auto* w = strip.findChild<QWidget*>(QLatin1String(name), Qt::FindDirectChildrenOnly))
        w->setGeometry(left, RowTop[row], width, height);
}

}  // namespace

void BuildPermanentControls(TRC_RightMenuPanel& strip, std::function<void()> heightChanged) {
    strip.SetWithoutFrame(true);
    for (int ch = 0; ch < 2; ++ch) {
        auto* label = new QLabel(QStringLiteral("Ch %1").arg(ch + 1), &strip);
        label->setObjectName(QStringLiteral("lbCh%1").arg(ch + 1));
        label->setGeometry(LabelLeft, RowTop[ch], LabelWidth, RowHeight);
        label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        auto* display = new TRC_OnOffCheckSwitcher(&strip);
        display->setObjectName(QStringLiteral("chswCh%1Display").arg(ch + 1));
        display->setGeometry(DisplayLeft, RowTop[ch] + (RowHeight - display->height()) / 2, display->width(),
                             display->height());
        display->SetMnemonics(ch == 0 ? "Ch1:Display" : "Ch2:Display");
    }
    const struct {
        const char* Name;
        const char* Mnemonic;
    } edits[] = {{"edswCh1Scale", "Ch1:Scale"}, {"edswCh1Offset", "Ch1:Offset"}, {"edswCh2Scale", "Ch2:Scale"},
                 {"edswCh2Offset", "Ch2:Offset"}, {"edswTBScaleA", "TB:ScaleA"},  {"edswTBDelay", "TB:Delay"},
                 {"edswTrigExtLevel", "Trig:ExtLevel"}};
    for (const auto& e : edits) {
        auto* sw = new TRC_EditSwitcher(&strip);
        sw->setObjectName(QLatin1String(e.Name));
        sw->SetWithHot(false);
        sw->SetMnemonics(e.Mnemonic);
        sw->SetOnUpdateMe(FollowShownValues(strip, heightChanged));
    }
    const struct {
        const char* Name;
        const char* Mnemonic;
        const char* Items;
    } lists[] = {{"lbswTBMode", "TB:Mode", "A,AB,B"},
                 {"lbswTrigSource", "Trig:Source", "Direct,ExtHF,IntClock,ClockRecov"},
                 {"lbswTrigSlope", "Trig:Slope", "Pos,Neg"}};
    for (const auto& l : lists) {
        auto* sw = new TRC_ListBoxSwitcher(&strip);
        sw->setObjectName(QLatin1String(l.Name));
        sw->SetWithHot(false);
        sw->SetItems(QString::fromLatin1(l.Items).split(QLatin1Char(',')));
        sw->SetMnemonics(l.Mnemonic);
        sw->SetOnUpdateMe(FollowShownValues(strip, heightChanged));
    }
    PlacePermanentControls(strip, std::numeric_limits<int>::max());
}

int PermanentControlsHeightFor(const TRC_RightMenuPanel& strip, int width) { return StripPlaces(strip, width).Height(); }

int PlacePermanentControls(TRC_RightMenuPanel& strip, int width) {
    const TStripPlaces p = StripPlaces(strip, width);
    const int tb = p.FirstTimebaseRow();
    for (int row = 0; row < 2; ++row) {
        const std::string ch = std::to_string(row + 1);
        Place(strip, ("edswCh" + ch + "Scale").c_str(), ScaleLeft, row, p.Scale, RowHeight);
        Place(strip, ("edswCh" + ch + "Offset").c_str(), p.OffsetLeft, row, p.Offset, RowHeight);
    }
    Place(strip, "edswTBScaleA", p.TimebaseLeft, tb, p.Timebase, RowHeight);
    Place(strip, "edswTBDelay", p.TimebaseLeft, tb + 1, p.Delay, RowHeight);
    Place(strip, "lbswTBMode", p.LevelLeft, tb + 1, ModeWidth, ListHeight);
    Place(strip, "lbswTrigSource", p.TriggerLeft, tb, p.Trigger, ListHeight);
    Place(strip, "lbswTrigSlope", p.TriggerLeft, tb + 1, p.Trigger, ListHeight);
    Place(strip, "edswTrigExtLevel", p.LevelLeft, tb, p.Level, RowHeight);
    for (const char* list : {"lbswTBMode", "lbswTrigSource", "lbswTrigSlope"})
        if (auto* sw = strip.findChild<TRC_ListBoxSwitcher*>(QLatin1String(list), Qt::FindDirectChildrenOnly))
            sw->List().resize(sw->width(), ListHeight);
    return p.Height();
}

void BindPermanentControls(TRC_RightMenuPanel& strip, TKitContext& kit) {
    for (TRC_Switcher* sw : SwitchersOf(strip)) sw->SetKit(&kit);
    BindSwitchersOf(strip);
}

void TPermanentControlsBindings::Bind(const char* name, const std::string& header) {
    if (auto* sw = Strip_.findChild<TRC_Switcher*>(QLatin1String(name), Qt::FindDirectChildrenOnly)) {
        sw->SetMnemonics(header);
        // A control bound before (or whose old setting did not exist) takes its new setting at once.
        sw->BindToHandler(false);
    }
}

void TPermanentControlsBindings::BindChannelScaleEdit(int channelNumber, const std::string& header) {
    Bind(channelNumber == 2 ? "edswCh2Scale" : "edswCh1Scale", header);
}

void TPermanentControlsBindings::BindChannelOffsetEdit(int channelNumber, const std::string& header) {
    Bind(channelNumber == 2 ? "edswCh2Offset" : "edswCh1Offset", header);
}

void TPermanentControlsBindings::BindHorizontalScaleEdit(const std::string& header, const std::string& caption) {
    Bind("edswTBScaleA", header);
    if (auto* sw = Strip_.findChild<TRC_Switcher*>(QStringLiteral("edswTBScaleA"), Qt::FindDirectChildrenOnly))
        sw->SetCaption(QString::fromStdString(caption));
}

void TPermanentControlsBindings::BindDelayEdit(const std::string& header) { Bind("edswTBDelay", header); }

void TPermanentControlsBindings::BindTrigLevelEdit(const std::string& header) { Bind("edswTrigExtLevel", header); }

void TPermanentControlsBindings::RefreshSideMenu(TMenuKind kind) {
    for (int side = 0; side < SideMenuSideCount; ++side) {
        TSideMenuForm* form = Menus_.Form(side);
        if (!form || form->MenuKind != kind) continue;
        form->UpdateMenu();
        for (TRC_RightMenuPanel* page : form->Pages()) page->RebindSwitchers();
    }
}

void TPermanentControlsBindings::ResetMenuPage(TMenuKind kind) { Menus_.ResetMenuPage(kind); }

}  // namespace vt
