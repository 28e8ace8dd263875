#include "ui/menus/UtilMenu.h"

#include "core/Handlers.h"
#include "core/LanguageState.h"
#include "ui/controls/CommandSwitchers.h"
#include "ui/controls/ListBoxSwitcher.h"
#include "ui/menus/MenuPageLayout.h"

namespace vt {

namespace {
enum : int { tgCalibration = 1, tgAdjustment = 2, tgSimGenerator = 3 };
}  // namespace

TUtil_Form::TUtil_Form(TSideMenus& menus, QWidget* mainWindow, TLanguageState& language, TActions actions)
    : TSideMenuForm(menus, mainWindow), Actions_(std::move(actions)) {
    setObjectName(QStringLiteral("Util_Form"));
    rmpUtilMain_ = new TRC_RightMenuPanel(this);
    rmpUtilMain_->setObjectName(QStringLiteral("rmpUtilMain"));
    rmpUtilMain_->SetCaption(QStringLiteral("Utility"));
    rmpUtilMain_->SetGroupMnemonics("Util");
    rmpUtilMain_->setGeometry(0, 0, SideMenuPageWidth, SideMenuPageHeight);
    rmpUtilMain_->hide();
    TPageStacker c(*rmpUtilMain_, 18, 1);
    auto* calibrators = c.Adopt(Button([this] { SetTopPanel(2); }), "pcswCalibrators", "Calibrators...", nullptr);
    calibrators->setEnabled(false);
    calibrators->hide();
    c.Adopt(Button([this] { Actions_.DeferSideMenuUpdate(Side, tgCalibration); }), "pcswCalibrating", "Calibrate...",
            nullptr);
    c.Adopt(Button([this] { AdjustingClick(); }), "pcswAdjusting", "Adjustment...", nullptr);
    c.Adopt(Button([this] { Actions_.DeferSideMenuUpdate(Side, tgSimGenerator); }), "rpcsGSS", "Demo Signal", nullptr);
    auto* lang = c.Adopt(new TRC_ListBoxSwitcher(rmpUtilMain_), "lbswLanguage", "Language", ":Shadow:Lang");
    lang->SetTextColor(clWhite);
    lang->SetFonColor(clBlack);
    FormCreate(language);
}

TRC_RightPassiveCommandSwitcher* TUtil_Form::Button(std::function<void()> click) {
    auto* sw = new TRC_RightPassiveCommandSwitcher(rmpUtilMain_);
    sw->SetOnUpdateMe([click = std::move(click)](TRC_Switcher&) { click(); });
    return sw;
}

void TUtil_Form::FormCreate(TLanguageState& language) {
    auto* lang = static_cast<TRC_ListBoxSwitcher*>(Control("lbswLanguage"));
    THandler* found = Kit().FindHandler("Shadow:Lang");
    auto* handler = dynamic_cast<TRadioSwHandler*>(found);
    const TMultiLanguages* table = language.Languages();
    QStringList names;
    std::string values;
    if (table && table->Count() > 0) {
        for (int i = 0; i < table->Count(); ++i) {
            names << QString::fromStdString(table->Name(i));
            values += (i ? ",L" : "L") + std::to_string(i + 1);
        }
    } else {
        names << QStringLiteral("English");
        values = "L1";
    }
    if (handler) {
        handler->SetItems(values);
        const int chosen = table ? table->ChosenIndex() : 0;
        if (chosen >= 0 && handler->GetItemIndex() != chosen) handler->SetItemIndex(chosen);
    }
    lang->SetItems(names);
    // Without a language list there is nothing to choose.
    const bool choice = table && table->Count() > 0;
    if (handler) handler->SetDisabled(!choice);
    lang->setEnabled(choice);
}

void TUtil_Form::SetTopPanel(int) {
    ShowPanel(rmpUtilMain_);
    TSideMenuForm::SetTopPanel(1);
}

void TUtil_Form::AdjustingClick() {
    bool granted = Actions_.AccessGranted && Actions_.AccessGranted();
    if (!granted && Actions_.ShowAdjustAccess) granted = Actions_.ShowAdjustAccess();
    if (granted) Actions_.DeferSideMenuUpdate(Side, tgAdjustment);
}

}  // namespace vt
