#include "ui/menus/LimitMenu.h"

#include <QFont>
#include <string>

#include "analysis/Limit.h"
#include "analysis/MeasurementList.h"
#include "analysis/Measurements.h"
#include "core/CommandTree.h"
#include "core/Handlers.h"
#include "core/MenuKinds.h"
#include "core/SettingReaders.h"
#include "core/Shell.h"
#include "ui/controls/ButtonSwitchers.h"
#include "ui/controls/CommandSwitchers.h"
#include "ui/controls/EditSwitcher.h"
#include "ui/controls/ListBoxSwitcher.h"
#include "ui/menus/MenuPageLayout.h"

namespace vt {

namespace {

constexpr int FirstTop = 18;
constexpr int ModeLimit = 1;
constexpr int UntilFailur = 1;
constexpr std::array<const char*, 3> DeltaNames = {"StdDev", "UserDef", "UserPerc"};

enum : int { pgLimitTest = 1, pgConditions = 2 };

// A choice as a drop-down list, where a row per item would not leave room for the rest of the page.
TRC_ListBoxSwitcher* List(TPageStacker& page, QWidget* parent, const char* name, const QString& caption,
                          const char* mnemonic, const QStringList& items) {
    auto* sw = new TRC_ListBoxSwitcher(parent);
    sw->SetItems(items);
    return page.Adopt(sw, name, caption, mnemonic);
}

std::string ParameterGroup(int slot) { return "Limit" + std::to_string(slot + 1); }

}  // namespace

TLimt_Form::TLimt_Form(TSideMenus& menus, QWidget* mainWindow, TShell& shell, TMeasurements& measurements)
    : TSideMenuForm(menus, mainWindow), Shell_(shell), Meas_(measurements) {
    setObjectName(QStringLiteral("Limt_Form"));
    const auto follow = [this](TRC_Switcher&) { UpdateMenu(); };
    const auto lang = [&shell](const char* key) { return QString::fromStdString(shell.LangStr(key)); };

    Pages_[0] = NewMenuPage(this, "rmpLimitTest", QStringLiteral("Limit Test"), "Limit");
    {
        TPageStacker page(*Pages_[0], FirstTop);
        page.Radio("rswParameter", QStringLiteral("Parameter"), ":Shadow:NPar", {"1", "2", "3", "4"}, 2)
            ->SetOnUpdateMe(follow);
        Activ_ = page.Add<TRC_OnOffSwitch>("oswActiv", lang("NoneParams"), ":Limit1:Activ");
        Activ_->SetOnUpdateMe(follow);
        Conditions_ = page.AddButton("btnConditions", QStringLiteral("Conditions..."));
        page.Add<TRC_OnOffSwitch>("oswTestOn", QStringLiteral("Test"), "TestOn");
        page.Radio("rswRunUntil", QStringLiteral("Run Until"), "RunUntil", {"Stop", "# Failures", "# Waveforms"})
            ->SetOnUpdateMe(follow);
        RunUntil_ = page.Edit("edswRunUntil", lang("NOFWAVEFORMS"), "NWfms");
        auto* action = new TRC_CheckSwitcher(Pages_[0]);
        action->SetItems({"Beep", "Save", "Stop"});
        page.Adopt(action, "chswAction", QStringLiteral("Action"), "Action", TPageStacker::ButtonsHeight(3));
        // The file format is the save dialog's choice of type.
        List(page, Pages_[0], "lswIf", QStringLiteral("Action If"), "If", {"Any Fail", "All Pass", "All Fail", "Any Pass"});
    }

    Pages_[1] = NewMenuPage(this, "rmpConditions", QStringLiteral("Conditions"), "Limit1");
    {
        TPageStacker page(*Pages_[1], FirstTop);
        page.Radio("rswMode", QStringLiteral("Mode"), "Mode", {"Center", "Limits"})->SetOnUpdateMe(follow);
        page.Radio("rswCenterMode", QStringLiteral("Center"), "CenterMode", {"Current Mean", "User Defined"});
        page.Radio("rswDelta", QStringLiteral("Delta"), "Delta", {"Std Dev", "User Defined", "User %"})
            ->SetOnUpdateMe(follow);
        Values_[0] = page.Edit("edswFirstValue", lang("CENTER"), "CenterVal");
        Values_[1] = page.Edit("edswSecondValue", lang("DELTA"), "StdDev");
        List(page, Pages_[1], "lswFailWhen", QStringLiteral("Fail When"), "FailWhen", {"Outside", "Inside", "Always"});
        List(page, Pages_[1], "lswNotFound", QStringLiteral("Not Found"), "NotFound", {"Ignore", "Fail", "Pass"});
        page.Adopt(PageButton(Pages_[1], pgLimitTest), "swBackConditions", QStringLiteral("Back"));
    }
    QObject::connect(Conditions_, &QPushButton::clicked, this, [this] { SetTopPanel(pgConditions); });
    UpdateMenu();
}

TRC_RightMenuPanel* TLimt_Form::Page(int page) const {
    return page >= 1 && page <= PageCount ? Pages_[static_cast<std::size_t>(page - 1)] : Pages_[0];
}

int TLimt_Form::ChosenSlot() const {
    const int slot = ReadChoiceSetting(Shell_.CommandTree(), "Shadow:NPar", 0);
    return slot >= 0 && slot < MeasStatisticSlotCount ? slot : 0;
}

void TLimt_Form::UpdateMenu() {
    if (Updating_) return;
    TResetOnExit<bool> done(Updating_, false);
    Updating_ = true;
    TCommandTree* tree = Shell_.CommandTree();
    const int slot = ChosenSlot();
    const TMeasList& list = Meas_.List();
    const TParameterOfMeas* entry = list.Slot(slot);
    // Another parameter that has no limits yet has no conditions to show.
    if (slot != ShownSlot_ && ShownSlot_ >= 0 && (!entry || !entry->LimitPrimed) && CurrentPage != pgLimitTest)
        SetTopPanel(pgLimitTest);
    ShownSlot_ = slot;
    const std::string group = ParameterGroup(slot);
    RetargetSwitcher(*Activ_, ":" + group + ":Activ");
    const QString label = QString::fromStdString(list.Count() > 0 && entry ? list.GetMeasLabel(slot)
                                                                          : Shell_.LangStr("NoneParams"));
    if (Activ_->Caption() != label) Activ_->SetCaption(label);
    if (Pages_[1]->GroupMnemonics() != group) Pages_[1]->SetGroupMnemonics(group);
    Conditions_->setEnabled(Meas_.LimitTest().Activ(slot));

    const bool failures = ReadChoiceSetting(tree, "Limit:RunUntil", 0) == UntilFailur;
    RetargetSwitcher(*RunUntil_, failures ? "Failures" : "NWfms");
    RunUntil_->SetCaption(QString::fromStdString(Shell_.LangStr(failures ? "NOFFAILURES" : "NOFWAVEFORMS")));

    const std::string node = group + ":";
    const bool limits = ReadChoiceSetting(tree, node + "Mode", 0) == ModeLimit;
    const int delta = ReadChoiceSetting(tree, node + "Delta", 0);
    RetargetSwitcher(*Values_[0], limits ? "UpLimit" : "CenterVal");
    RetargetSwitcher(*Values_[1], limits ? "LowLimit" : DeltaNames[static_cast<std::size_t>(delta >= 0 && delta < 3 ? delta : 0)]);
    Values_[0]->SetCaption(QString::fromStdString(Shell_.LangStr(limits ? "UPPER_LIMIT" : "CENTER")));
    Values_[1]->SetCaption(QString::fromStdString(Shell_.LangStr(limits ? "LOWER_LIMIT" : "DELTA")));
}

void TLimt_Form::SetTopPanel(int page) {
    if (page < 1 || page > PageCount) page = pgLimitTest;
    ShowPanel(Page(page));
    TSideMenuForm::SetTopPanel(page);
}

void TLimitMenuFeature::RegisterForms(TSideMenus& menus) {
    TShell* shell = &Shell_;
    TMeasurements* measurements = &Meas_;
    menus.RegisterForm(mkLimitTest, [shell, measurements](TSideMenus& m, QWidget* window, bool) -> TSideMenuForm* {
        return new TLimt_Form(m, window, *shell, *measurements);
    });
}

}  // namespace vt
