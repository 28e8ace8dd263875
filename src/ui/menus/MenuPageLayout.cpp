#include "ui/menus/MenuPageLayout.h"

#include <algorithm>

namespace vt {

void TPageStacker::Place(QWidget& w, int height) {
    if (const auto* sw = dynamic_cast<const TRC_Switcher*>(&w)) height = std::max(height, sw->KindHeight());
    w.setGeometry(Left, Row(Top_, Gap_), Width, height);
    Placed_.push_back({&w, Top_, height});
    Top_ = {Top_.Pixels + height, Top_.Gaps + 1};
}

void TPageStacker::PlaceAtFoot(QWidget& w, int height) {
    Foot_ = std::min(Foot_, Bottom + 1 - height);
    w.setGeometry(Left, Foot_, Width, height);
}

void TPageStacker::Fit() {
    const bool foot = Foot_ <= Bottom;
    // A control above the foot keeps one gap to it, as to any other neighbour.
    auto fits = [&](int gap) {
        return std::all_of(Placed_.begin(), Placed_.end(), [&](const TPlaced& p) {
            return Row(p.Top, gap) + p.Height + (foot ? gap : 0) <= Foot_;
        });
    };
    int gap = Gap_;
    while (gap > 0 && !fits(gap)) --gap;
    if (gap == Gap_) return;
    Gap_ = gap;
    for (const TPlaced& p : Placed_) p.Widget->move(p.Widget->x(), Row(p.Top, Gap_));
}

TRC_RightMenuPanel* NewMenuPage(QWidget* form, const char* name, const QString& caption, const char* group) {
    auto* page = new TRC_RightMenuPanel(form);
    page->setObjectName(name);
    page->SetCaption(caption);
    if (group) page->SetGroupMnemonics(group);
    page->setGeometry(0, 0, SideMenuPageWidth, SideMenuPageHeight);
    page->hide();
    return page;
}

void RetargetSwitcher(TRC_Switcher& sw, const std::string& mnemonic) {
    if (sw.Mnemonics() != mnemonic) sw.SetMnemonics(mnemonic);
}

}  // namespace vt
