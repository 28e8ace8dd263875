#include "ui/menus/TimebaseMenu.h"

#include "acq/Timebase.h"
#include "core/BitRates.h"
#include "ui/controls/ButtonSwitchers.h"
#include "ui/controls/EditSwitcher.h"
#include "ui/controls/ListBoxSwitcher.h"
#include "ui/menus/MenuPageLayout.h"

namespace vt {

namespace {

constexpr const char* ScaleStems[HorizontalUnitCount] = {"Scale", "BitScale", "ScaleMetre", "ScaleFoot", "ScaleInch"};
constexpr int BitRateRows = 16;
constexpr int ListHeight = 22;

}  // namespace

TTB_Form::TTB_Form(TSideMenus& menus, QWidget* mainWindow, const TTimebase& timebase)
    : TSideMenuForm(menus, mainWindow), Timebase_(timebase) {
    setObjectName(QStringLiteral("TB_Form"));
    setWindowTitle(QStringLiteral("Timebase"));

    rmpTimeBase_ = new TRC_RightMenuPanel(this);
    rmpTimeBase_->setObjectName(QStringLiteral("rmpTimeBase"));
    rmpTimeBase_->SetCaption(QStringLiteral("Timebase"));
    rmpTimeBase_->SetGroupMnemonics("TB");
    TPageStacker page(*rmpTimeBase_);
    Units_ = page.Add<TRC_RadioSwitcher>("rswUnits", QStringLiteral("Units"), "Units", TPageStacker::ButtonsHeight(2));
    Units_->SetItems({QStringLiteral("Time"), QStringLiteral("Bit Period")});
    Units_->SetOnUpdateMe([this](TRC_Switcher&) { BindScales(); });
    Mode_ = page.Add<TRC_RadioSwitcher>("rswMode", QStringLiteral("Mode"), "Mode", TPageStacker::ButtonsHeight(3));
    Mode_->SetItems({QStringLiteral("Main"), QStringLiteral("Intensified"), QStringLiteral("Delayed")});
    Mode_->SetOnUpdateMe([this](TRC_Switcher&) { Delay_->SetMnemonics("Delay"); });
    ScaleA_ = page.Add<TRC_EditSwitcher>("edswScaleA", QStringLiteral("SCALE A"), "ScaleA");
    ScaleB_ = page.Add<TRC_EditSwitcher>("edswScaleB", QStringLiteral("SCALE B"), "ScaleB");
    Delay_ = page.Add<TRC_EditSwitcher>("edswDelay", QStringLiteral("DELAY"), "Delay");
    page.Add<TRC_EditSwitcher>("edswDeltaDelay", QStringLiteral("DELTA DELAY"), "DeltaDel");
    page.Add<TRC_OnOffSwitch>("oswDualDelayed", QStringLiteral("Dual Delayed"), "DualDel");
    BitRate_ = page.Add<TRC_ListBoxSwitcher>("lbswBitRate", QStringLiteral("Bit Rate"), "BitRate",
                                             SwitcherTitleHeight + ListHeight + 4);
    BitRate_->List().resize(TPageStacker::Width - 8, ListHeight);
    QStringList rates;
    const TBitRateValue& table = StandardBitRates();
    for (int i = 0; i < table.Count(); ++i) rates.push_back(QString::fromStdString(table.LongName(i)));
    BitRate_->SetItems(rates);
    BitRate_->SetDropDownCount(BitRateRows);
    // The low-jitter feature is never available here: the switch stays hidden.
    LowJitter_ = new TRC_OnOffSwitch(rmpTimeBase_);
    LowJitter_->setObjectName(QStringLiteral("oswLowJitter"));
    LowJitter_->SetCaption(QStringLiteral("LowJitter"));
    LowJitter_->SetMnemonics(":Trig:LowJitter");
    LowJitter_->setGeometry(TPageStacker::Left, 0, TPageStacker::Width, LowJitter_->height());
    LowJitter_->hide();
}

void TTB_Form::BindScales() {
    const std::string stem = ScaleStems[Timebase_.GetHorizontalUnit()];
    ScaleA_->SetMnemonics(stem + "A");
    ScaleB_->SetMnemonics(stem + "B");
}

void TTB_Form::UpdateMenu() { BindScales(); }

void TTB_Form::SetTopPanel(int) {
    ShowPanel(rmpTimeBase_);
    TSideMenuForm::SetTopPanel(1);
}

}  // namespace vt
