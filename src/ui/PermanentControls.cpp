#include "ui/PermanentControls.h"

#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <algorithm>

#include "ui/SideMenu.h"
#include "ui/controls/ButtonSwitchers.h"
#include "ui/controls/EditSwitcher.h"
#include "ui/controls/ListBoxSwitcher.h"

namespace vt {

namespace {

constexpr int RowTop[2] = {1, 26};
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
const char* const ChannelOffsetTexts[] = {"-888.8 mRho", "-388.8 Ohm", "-888.8 mW", "-888.8 kV", "-888.8 mA", "-888.8 m?"};
const char* const HorizontalScaleTexts[] = {"888.888 mBit/div", "888.888 ms/div", "888.888 min/div", "888.888 mft/div"};
const char* const DelayTexts[] = {"888.888 mbit", "888.888 ms", "888.888 min", "888.888 mft"};
const char* const LevelTexts[] = {"-888.8 mV", "-888.8 mW", "-888.8 mA", "888.888 ms"};

template <std::size_t N>
int EditWidthFor(const QFontMetrics& metrics, const char* const (&texts)[N]) {
    int widest = 0;
    for (const char* text : texts) widest = std::max(widest, metrics.horizontalAdvance(QString::fromUtf8(text)));
    return widest + EditFrame;
}

}  // namespace

void BuildPermanentControls(TRC_RightMenuPanel& strip) {
    strip.SetWithoutFrame(true);
    // Every value field is as wide as its widest value at the application font. Columns, left to right:
    // channel label and display switch; scale; offset; the timebase's scale over its delay and mode; the
    // trigger's source over its slope; the trigger level.
    const QFontMetrics metrics(QApplication::font());
    constexpr int LabelLeft = 2, LabelWidth = 28, DisplayLeft = 30, ScaleLeft = 52;
    const int scaleWidth = EditWidthFor(metrics, ChannelScaleTexts);
    const int offsetLeft = ScaleLeft + scaleWidth + Gap;
    const int offsetWidth = EditWidthFor(metrics, ChannelOffsetTexts);
    const int timebaseLeft = offsetLeft + offsetWidth + Gap;
    const int timebaseWidth = EditWidthFor(metrics, HorizontalScaleTexts);
    const int delayWidth = EditWidthFor(metrics, DelayTexts);
    constexpr int ModeWidth = 46, TriggerWidth = 80;
    const int modeLeft = timebaseLeft + delayWidth + Gap;
    const int triggerLeft = std::max(timebaseLeft + timebaseWidth, modeLeft + ModeWidth) + Gap;
    const int levelLeft = triggerLeft + TriggerWidth + Gap;
    const int levelWidth = EditWidthFor(metrics, LevelTexts);

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
        int Left;
        int Row;
        int Width;
    } edits[] = {
        {"edswCh1Scale", "Ch1:Scale", ScaleLeft, 0, scaleWidth},
        {"edswCh1Offset", "Ch1:Offset", offsetLeft, 0, offsetWidth},
        {"edswCh2Scale", "Ch2:Scale", ScaleLeft, 1, scaleWidth},
        {"edswCh2Offset", "Ch2:Offset", offsetLeft, 1, offsetWidth},
        {"edswTBScaleA", "TB:ScaleA", timebaseLeft, 0, timebaseWidth},
        {"edswTBDelay", "TB:Delay", timebaseLeft, 1, delayWidth},
        {"edswTrigExtLevel", "Trig:ExtLevel", levelLeft, 0, levelWidth},
    };
    for (const auto& e : edits) {
        auto* sw = new TRC_EditSwitcher(&strip);
        sw->setObjectName(QLatin1String(e.Name));
        sw->SetWithHot(false);
        sw->setGeometry(e.Left, RowTop[e.Row], e.Width, RowHeight);
        sw->SetMnemonics(e.Mnemonic);
    }
    const struct {
        const char* Name;
        const char* Mnemonic;
        int Left;
        int Row;
        int Width;
        const char* Items;
    } lists[] = {
        {"lbswTBMode", "TB:Mode", modeLeft, 1, ModeWidth, "A,AB,B"},
        {"lbswTrigSource", "Trig:Source", triggerLeft, 0, TriggerWidth, "Direct,ExtHF,IntClock,ClockRecov"},
        {"lbswTrigSlope", "Trig:Slope", triggerLeft, 1, TriggerWidth, "Pos,Neg"},
    };
    for (const auto& l : lists) {
        auto* sw = new TRC_ListBoxSwitcher(&strip);
        sw->setObjectName(QLatin1String(l.Name));
        sw->SetWithHot(false);
        sw->setGeometry(l.Left, RowTop[l.Row], l.Width, ListHeight);
        sw->List().resize(l.Width, ListHeight);
        sw->SetItems(QString::fromLatin1(l.Items).split(QLatin1Char(',')));
        sw->SetMnemonics(l.Mnemonic);
    }
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
