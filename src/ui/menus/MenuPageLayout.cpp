#include "ui/menus/MenuPageLayout.h"

namespace vt {

TRC_RightMenuPanel* NewMenuPage(QWidget* form, const char* name, const QString& caption, const char* group) {
    auto* page = new TRC_RightMenuPanel(form);
    page->setObjectName(name);
    page->SetCaption(caption);
    if (group) page->SetGroupMnemonics(group);
    page->setGeometry(0, 0, TRC_RightMenuPanel::DefaultWidth, TRC_RightMenuPanel::DefaultHeight);
    page->hide();
    return page;
}

void RetargetSwitcher(TRC_Switcher& sw, const std::string& mnemonic) {
    if (sw.Mnemonics() != mnemonic) sw.SetMnemonics(mnemonic);
}

}  // namespace vt
