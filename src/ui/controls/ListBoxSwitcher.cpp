#include "ui/controls/ListBoxSwitcher.h"

#include <QFocusEvent>
#include <QPainter>
#include <algorithm>
#include <cstdio>

#include "core/InternalError.h"
#include "core/LanguageFile.h"

namespace vt {

QRect ListPlace(int controlWidth, int listHeight, bool withHot) {
    if (withHot) return {4, SwitcherTitleHeight + 2, controlWidth - 8, listHeight};
    return {0, 0, controlWidth, listHeight};
}

TRC_ListSwitcherBase::TRC_ListSwitcherBase(QWidget* parent) : TRC_Switcher(parent) {
    setGeometry(ListSwitcherGeometry);
    List_ = new TColorComboBox(this);
    List_->setGeometry(4, 20, width() - 8, 22);
    List_->SetDropDownCount(ListSwitcherDropDownCount);
    List_->setFocusPolicy(Qt::StrongFocus);
    List_->SetOnChange([this](int index) { ListChanged(index); });
    List_->installEventFilter(this);
}

void TRC_ListSwitcherBase::PlaceList() {
    const QRect place = ListPlace(width(), List_->height(), WithHot());
    if (List_->geometry() != place) List_->setGeometry(place);
}

int TRC_ListSwitcherBase::KindHeight() const {
    const QRect place = ListPlace(width(), List_->height(), WithHot());
    return WithHot() ? std::max(ListSwitcherGeometry.height(), place.bottom() + 1 + 2) : place.height();
}

void TRC_ListSwitcherBase::PaintContent(QPainter& painter, const QRect& rect) {
    PlaceList();
    TRC_Switcher::PaintContent(painter, rect);
}

void TRC_ListSwitcherBase::resizeEvent(QResizeEvent* event) {
    TRC_Switcher::resizeEvent(event);
    PlaceList();
}

bool TRC_ListSwitcherBase::eventFilter(QObject* watched, QEvent* event) {
    // Focus inside the list is focus of the control: the title bar shows it.
    // The list's own drop-down keeps the focus where it was.
    if (watched == List_ && (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut) &&
        static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason) {
        QFocusEvent own(event->type(), static_cast<QFocusEvent*>(event)->reason());
        if (event->type() == QEvent::FocusIn) {
            focusInEvent(&own);
        } else {
            focusOutEvent(&own);
        }
    }
    return TRC_Switcher::eventFilter(watched, event);
}

void TRC_ListSwitcherBase::Beep() { KitBeep(Kit()); }

// ---------------------------------------------------------------------------------------------------

TRC_ListBoxSwitcher::TRC_ListBoxSwitcher(QWidget* parent) : TRC_ListSwitcherBase(parent) {}

void TRC_ListBoxSwitcher::SetItems(const QStringList& items) {
    List().SetItems(items);
    ColorItems();
    // New items start shown: a bound control hides the handler's disabled items again.
    AppliedMask_ = 0;
    if (GetHandler()) UpdateFromHandler();
}

void TRC_ListBoxSwitcher::ColorItems() {
    for (int i = 0; i < List().count(); ++i) List().SetItemColors(i, TextColor_, FonColor_);
}

void TRC_ListBoxSwitcher::SetTextColor(TColor color) {
    if (TextColor_ == color) return;
    TextColor_ = color;
    ColorItems();
}

void TRC_ListBoxSwitcher::SetFonColor(TColor color) {
    if (FonColor_ == color) return;
    FonColor_ = color;
    ColorItems();
}

void TRC_ListBoxSwitcher::CheckHandler() {
    const auto* h = dynamic_cast<const TRadioSwHandler*>(GetHandler());
    if (!h) return;
    const int handlerItems = static_cast<int>(h->Items().size());
    if (handlerItems == List().count()) return;
    Beep();
    char counts[96];
    std::snprintf(counts, sizeof counts, "\r\rHandler: %d itms; Switcher: %d itms", handlerItems, List().count());
    VT_INTERNAL_ERROR(AllMyControlsUnit, "Incorrect Number of Items in " + GetFullMnemonic() + counts);
}

void TRC_ListBoxSwitcher::UpdateFromHandler() {
    if (const auto* h = dynamic_cast<const TRadioSwHandler*>(GetHandler())) {
        const TRadioSwHandler::TState state = h->GetState();
        List().SetIndexSilently(state.ItemIndex);
        if (state.DisabledMask != AppliedMask_) {
            List().SetHiddenMask(state.DisabledMask);
            AppliedMask_ = state.DisabledMask;
        }
        List().setEnabled(!h->IsDisabled());
    }
    TRC_Switcher::UpdateFromHandler();
}

void TRC_ListBoxSwitcher::ListChanged(int index) {
    THandler* handler = GetHandler();
    if (!handler || index < 0) return;  // an unbound control keeps its own list
    auto* h = dynamic_cast<TRadioSwHandler*>(handler);
    if (!h) VT_INTERNAL_ERROR(AllMyControlsUnit, "Handler not TRadioSwHandler");
    h->SetItemIndexFromSwitcher(index);
    // A refused choice shows the handler's item again.
    if (GetHandler() == h && h->GetItemIndex() != List().currentIndex()) UpdateFromHandler();
}

void TRC_ListBoxSwitcher::WriteLangTexts(const TFormTextSink& sink, std::string_view key) const {
    std::vector<std::string> items;
    for (const QString& item : Items()) items.push_back(item.toStdString());
    sink.Write(std::string(key) + std::string(kLangItems), LangCommaText(items));
}

void TRC_ListBoxSwitcher::ApplyLangTexts(const TFormTextSource& source, std::string_view key) {
    std::vector<std::string> items;
    const int n = List().count();
    if (!source.ReadItems(std::string(key) + std::string(kLangItems), static_cast<std::size_t>(n), items)) return;
    for (int i = 0; i < n; ++i) List().setItemText(i, QString::fromStdString(items[static_cast<std::size_t>(i)]));
}

}  // namespace vt
