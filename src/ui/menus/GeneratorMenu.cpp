#include "ui/menus/GeneratorMenu.h"

#include "core/Handlers.h"
#include "core/SettingReaders.h"
#include "core/Shell.h"
#include "ui/controls/ButtonSwitchers.h"
#include "ui/controls/CommandSwitchers.h"
#include "ui/controls/EditSwitcher.h"
#include "ui/menus/MenuPageLayout.h"

namespace vt {

namespace {

constexpr int FirstTop = 18;
constexpr int Gap = 1;

}  // namespace

TGenerator_Form::TGenerator_Form(TSideMenus& menus, QWidget* mainWindow, TShell& shell)
    : TSideMenuForm(menus, mainWindow), Shell_(shell) {
    setObjectName("Generator_Form");

    TRC_RightMenuPanel* p = Pages_[0] = NewMenuPage(this, "rmpGenerators", " Generators ", "Gen");
    TPageStacker main(*p, FirstTop, Gap);
    auto* mode = main.Radio("rswMode", "Mode", "Mode", {"Off", "Step", "Coarse TB", "Pulse", "NRZ", "RZ"});
    Delay_ = main.Edit("edswDelay", "DELAY", "Delay");
    ClockPeriod_ = main.Edit("edswClockPeriod", "CLOCK/PERIOD", "PulsePeriod");
    // "Length" takes the place of "WIDTH": only one of them belongs to a mode. What follows goes below
    // the taller of the two.
    const TStackTop widthTop = main.Top();
    Width_ = main.Edit("edswWidth", "WIDTH", "PulseWidth");
    const TStackTop belowWidth = main.Top();
    main.MoveTo(widthTop);
    Length_ = main.Radio("rswLength", "Length", "Length", {"2^7-1", "2^10-1", "2^11-1", "2^15-1"});
    Length_->move(0, Length_->y());
    main.MoveTo(main.Lower(belowWidth, main.Top()));
    main.Radio("rswTrigPRBS", "Internal Trigger", "TrigPRBS", {"Clock", "Pattern"});
    for (int n = 1; n <= 2; ++n) {
        auto* output = main.Adopt(new TRC_RightPassiveCommandSwitcher(p), n == 1 ? "swOutput1" : "swOutput2",
                                  QString("Output %1...").arg(n), nullptr);
        output->SetOnUpdateMe([this, n](TRC_Switcher&) { OpenOutput(n); });
    }
    mode->SetOnUpdateMe([this](TRC_Switcher&) { FollowMode(); });
    Length_->SetOnUpdateMe([this](TRC_Switcher&) { FollowMode(); });

    p = Pages_[1] = NewMenuPage(this, "rmpOutput", " Output 1 ", "Gen:Out1");
    TPageStacker out(*p, FirstTop, Gap);
    out.Adopt(PageButton(p, 1), "swBack", "Back", nullptr);
    OutputLabel_ = out.AddLabel("lbOutput", " Output 1");
    out.Edit("edswDeskew", "DESKEW / CROSSING", "Deskew");
    const TStackTop offsetTop = out.Top();
    out.Edit("edswOffset", "OFFSET", "Offset")->hide();
    out.MoveTo(offsetTop);
    out.Radio("rswSlope", "Slope", "Polarity", {"Positive", "Negative"});
    const TStackTop hiddenTop = out.Top();
    auto* offsetMode = out.Radio("rswOffsetMode", "Offset Mode", "ModeOffset", {"Positive", "Negative", "Variable"});
    offsetMode->hide();
    offsetMode->setEnabled(false);
    out.MoveTo(hiddenTop);
    out.Adopt(PageButton(p, 3), "swOffsetZero", "Offset Zero Calibr...", nullptr)->hide();

    p = Pages_[2] = NewMenuPage(this, "rmpOffsetZero", " Offset Zero Calibr ", "FLASH:Gen:Out1");
    TPageStacker zero(*p, FirstTop, Gap);
    ZeroLabel_ = zero.AddLabel("lbOutputZero", " Output 1");
    zero.Adopt(PageButton(p, 2), "swBackZero", "Back", nullptr);
    zero.Edit("edswPositiveZero", "POSITIVE ZERO", "PositiveZero");
    zero.Edit("edswNegativeZero", "NEGATIVE ZERO", "NegativeZero");
    // No setting stands behind "Proceed": it stays out of sight.
    zero.Adopt(new TRC_RightPassiveCommandSwitcher(p), "swProceed", "Proceed", nullptr)->hide();
    zero.Adopt(new TRC_RightCommandSwitcher(p), "swStoreConstant", "Store Constant", ":Flash:Calibr:StoreAll");
    zero.Adopt(new TRC_RightCommandSwitcher(p), "swRecallLast", "Recall Last", ":Flash:Calibr:RecallAll");
    zero.Adopt(new TRC_RightCommandSwitcher(p), "swRecallFactory", "Recall Factory", ":Flash:Adjust:RecallAll")
        ->setEnabled(false);
    FollowMode();
}

void TGenerator_Form::FollowMode() {
    const int mode = ReadChoiceSetting(Shell_.CommandTree(), "Gen:Mode", gmOff);
    const bool pattern = mode == gmNRZ || mode == gmRZ;
    ClockPeriod_->SetCaption(QString::fromStdString(Shell_.LangStr(pattern ? "CLOCK" : "PERIOD")));
    RetargetSwitcher(*ClockPeriod_, mode == gmRZ ? "RzClock" : mode == gmNRZ ? "NrzClock" : "PulsePeriod");
    RetargetSwitcher(*Delay_, mode == gmStep || mode == gmCoarseTB ? "StepsDelay" : "Delay");
    Length_->setVisible(pattern);
    Width_->setVisible(!pattern);
}

void TGenerator_Form::OpenOutput(int n) {
    const std::string output = std::to_string(n);
    const QString caption = QString::fromStdString(Shell_.LangStr("_Output_") + output + " ");
    Pages_[1]->SetCaption(caption);
    Pages_[1]->SetGroupMnemonics("Gen:Out" + output);
    Pages_[2]->SetGroupMnemonics("FLASH:Gen:Out" + output);
    const QString label = QString::fromStdString(Shell_.LangStr("_Output_") + output);
    OutputLabel_->setText(label);
    ZeroLabel_->setText(label);
    SetTopPanel(2);
}

void TGenerator_Form::SetTopPanel(int page) {
    if (page < 1 || page > 3) page = 1;
    ShowPanel(Page(page));
    TSideMenuForm::SetTopPanel(page);
}

void TGeneratorMenuFeature::RegisterForms(TSideMenus& menus) {
    menus.RegisterForm(mkGenerators, [this](TSideMenus& m, QWidget* window, bool) -> TSideMenuForm* {
        return new TGenerator_Form(m, window, Shell_);
    });
}

}  // namespace vt
