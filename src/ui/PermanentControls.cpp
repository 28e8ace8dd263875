#include "ui/PermanentControls.h"

#include <QLabel>

#include "ui/SideMenu.h"
#include "ui/controls/ButtonSwitchers.h"
#include "ui/controls/EditSwitcher.h"
#include "ui/controls/ListBoxSwitcher.h"

namespace vt {

namespace {

constexpr int RowTop[2] = {1, 26};
constexpr int RowHeight = 24;     // a title-less value field of 20 pixels in its frames
constexpr int ListHeight = 22;
constexpr int EditWidth = 86;

struct TEditPlace {
    const char* Name;
    const char* Mnemonic;
    int Left;
    int Row;
};

struct TListPlace {
    const char* Name;
    const char* Mnemonic;
    int Left;
    int Row;
    int Width;
    const char* Items;
};

// Left of each column: channel label, display switch, scale, offset, then the timebase and the trigger.
constexpr int LabelLeft = 2;
constexpr int DisplayLeft = 30;
constexpr int ScaleLeft = 52;
constexpr int OffsetLeft = 140;
constexpr int TimebaseLeft = 230;
constexpr int ModeLeft = 318;
constexpr int TriggerLeft = 374;
constexpr int LevelLeft = 458;

constexpr TEditPlace Edits[] = {
    {"edswCh1Scale", "Ch1:Scale", ScaleLeft, 0},     {"edswCh1Offset", "Ch1:Offset", OffsetLeft, 0},
    {"edswCh2Scale", "Ch2:Scale", ScaleLeft, 1},     {"edswCh2Offset", "Ch2:Offset", OffsetLeft, 1},
    {"edswTBScaleA", "TB:ScaleA", TimebaseLeft, 0},  {"edswTBDelay", "TB:Delay", TimebaseLeft, 1},
    {"edswTrigExtLevel", "Trig:ExtLevel", LevelLeft, 0},
};

constexpr TListPlace Lists[] = {
    {"lbswTBMode", "TB:Mode", ModeLeft, 0, 52, "A,AB,B"},
    {"lbswTrigSource", "Trig:Source", TriggerLeft, 0, 80, "Direct,ExtHF,IntClock,ClockRecov"},
    {"lbswTrigSlope", "Trig:Slope", TriggerLeft, 1, 80, "Pos,Neg"},
};

}  // namespace

void BuildPermanentControls(TRC_RightMenuPanel& strip) {
    strip.SetWithoutFrame(true);
    for (int ch = 0; ch < 2; ++ch) {
        auto* label = new QLabel(QStringLiteral("Ch %1").arg(ch + 1), &strip);
        label->setObjectName(QStringLiteral("lbCh%1").arg(ch + 1));
        label->setGeometry(LabelLeft, RowTop[ch], 28, RowHeight);
        label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        auto* display = new TRC_OnOffCheckSwitcher(&strip);
        display->setObjectName(QStringLiteral("chswCh%1Display").arg(ch + 1));
        display->setGeometry(DisplayLeft, RowTop[ch] + (RowHeight - display->height()) / 2, display->width(),
                             display->height());
        display->SetMnemonics(ch == 0 ? "Ch1:Display" : "Ch2:Display");
    }
    for (const TEditPlace& e : Edits) {
        auto* sw = new TRC_EditSwitcher(&strip);
        sw->setObjectName(QLatin1String(e.Name));
        sw->SetWithHot(false);
        sw->setGeometry(e.Left, RowTop[e.Row], EditWidth, RowHeight);
        sw->SetMnemonics(e.Mnemonic);
    }
    for (const TListPlace& l : Lists) {
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
