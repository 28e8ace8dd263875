#include "ui/controls/ColorComboBox.h"

#include <QAbstractItemDelegate>
#include <QListView>
#include <QPainter>
#include <QStylePainter>
#include <algorithm>

#include "ui/QtColor.h"
#include "ui/controls/Switcher.h"
#include "ui/VeltraneApplication.h"

namespace vt {

int SkipHiddenItems(const std::vector<bool>& hidden, int lastAccepted, int newIndex) {
    const int n = static_cast<int>(hidden.size());
    if (newIndex < 0 || newIndex >= n || !hidden[static_cast<std::size_t>(newIndex)] || newIndex == lastAccepted)
        return newIndex;
    const int first = newIndex > lastAccepted ? 1 : -1;
    for (int dir : {first, -first})
        for (int i = newIndex + dir; i >= 0 && i < n; i += dir)
            if (!hidden[static_cast<std::size_t>(i)]) return i;
    return lastAccepted;
}

int FittedDropDownCount(int count, int visibleItems) { return std::max(1, std::min(count, visibleItems)); }

// Draws and measures the drop-down list's items through the combo box itself.
class TColorComboBox::TDelegate : public QAbstractItemDelegate {
public:
    explicit TDelegate(TColorComboBox& owner) : QAbstractItemDelegate(&owner), Owner_(owner) {}
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        const bool focused = option.state & (QStyle::State_Selected | QStyle::State_HasFocus);
        Owner_.DrawItem(*painter, option.rect, index.row(), focused, !(option.state & QStyle::State_Enabled));
    }
    QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex& index) const override {
        return {Owner_.width(), Owner_.ItemHeight(index.row())};
    }

private:
    TColorComboBox& Owner_;
};

TColorComboBox::TColorComboBox(QWidget* parent) : QComboBox(parent) {
    resize(width(), 22);
    setItemDelegate(new TDelegate(*this));
    // The slots follow the rows, however the rows are added or removed.
    connect(model(), &QAbstractItemModel::rowsInserted, this, [this](const QModelIndex&, int first, int last) {
        Slots_.insert(Slots_.begin() + first, static_cast<std::size_t>(last - first + 1), TSlot{});
    });
    connect(model(), &QAbstractItemModel::rowsRemoved, this, [this](const QModelIndex&, int first, int last) {
        Slots_.erase(Slots_.begin() + first, Slots_.begin() + last + 1);
    });
    connect(model(), &QAbstractItemModel::modelReset, this,
            [this] { Slots_.assign(static_cast<std::size_t>(count()), TSlot{}); });
    connect(this, &QComboBox::currentIndexChanged, this, [this](int index) { SelectionChanged(index); });
}

void TColorComboBox::SetItems(const QStringList& items) {
    const int keep = LastAccepted_;
    ClearItems();
    const bool quiet = Quiet_;
    Quiet_ = true;
    addItems(items);
    Quiet_ = quiet;
    SetIndexSilently(keep < count() ? keep : -1);
}

QStringList TColorComboBox::Items() const {
    QStringList items;
    for (int i = 0; i < count(); ++i) items << itemText(i);
    return items;
}

void TColorComboBox::AddItem(const QString& text) {
    const bool quiet = Quiet_;
    Quiet_ = true;
    addItem(text);
    Quiet_ = quiet;
}

void TColorComboBox::ClearItems() {
    const bool quiet = Quiet_;
    Quiet_ = true;
    clear();
    Quiet_ = quiet;
    LastAccepted_ = -1;
}

void TColorComboBox::SetHiddenMask(std::uint32_t mask) {
    bool changed = false;
    const int n = std::min(count(), 32);
    for (int i = 0; i < n; ++i) {
        const bool hidden = (mask >> i) & 1u;
        if (Slots_[static_cast<std::size_t>(i)].Hidden == hidden) continue;
        Slots_[static_cast<std::size_t>(i)].Hidden = hidden;
        ApplyRowHidden(i);
        changed = true;
    }
    if (changed) update();
}

void TColorComboBox::SetItemHidden(int index, bool hidden) {
    if (!Valid(index) || Slots_[static_cast<std::size_t>(index)].Hidden == hidden) return;
    Slots_[static_cast<std::size_t>(index)].Hidden = hidden;
    ApplyRowHidden(index);
    update();
}

bool TColorComboBox::ItemHidden(int index) const { return Valid(index) && Slots_[static_cast<std::size_t>(index)].Hidden; }

int TColorComboBox::VisibleItemCount() const {
    return static_cast<int>(std::count_if(Slots_.begin(), Slots_.end(), [](const TSlot& s) { return !s.Hidden; }));
}

void TColorComboBox::ApplyRowHidden(int index) {
    if (auto* list = qobject_cast<QListView*>(view())) list->setRowHidden(index, ItemHidden(index));
}

std::vector<bool> TColorComboBox::HiddenFlags() const {
    std::vector<bool> hidden(Slots_.size());
    for (std::size_t i = 0; i < Slots_.size(); ++i) hidden[i] = Slots_[i].Hidden;
    return hidden;
}

void TColorComboBox::SetItemColors(int index, TColor text, TColor back) {
    if (!Valid(index)) return;
    Slots_[static_cast<std::size_t>(index)].Text = text;
    Slots_[static_cast<std::size_t>(index)].Back = back;
    update();
}

void TColorComboBox::SetItemTextColor(int index, TColor text) {
    if (Valid(index)) SetItemColors(index, text, Slots_[static_cast<std::size_t>(index)].Back);
}

void TColorComboBox::SetItemBackColor(int index, TColor back) {
    if (Valid(index)) SetItemColors(index, Slots_[static_cast<std::size_t>(index)].Text, back);
}

TColor TColorComboBox::ItemTextColor(int index) const {
    return Valid(index) ? Slots_[static_cast<std::size_t>(index)].Text : clWhite;
}

TColor TColorComboBox::ItemBackColor(int index) const {
    return Valid(index) ? Slots_[static_cast<std::size_t>(index)].Back : clBlack;
}

void TColorComboBox::SelectQuietly(int index) {
    const bool quiet = Quiet_;
    Quiet_ = true;
    setCurrentIndex(index);
    Quiet_ = quiet;
}

void TColorComboBox::SetIndexSilently(int index) {
    if (index < -1 || index >= count()) index = -1;
    LastAccepted_ = index;
    SelectQuietly(index);
}

void TColorComboBox::FitDropDownCount(int count) { setMaxVisibleItems(FittedDropDownCount(count, VisibleItemCount())); }

int TColorComboBox::ItemHeight(int index) const { return ItemHidden(index) ? 0 : std::max(0, height() - 6); }

void TColorComboBox::SelectionChanged(int index) {
    if (Quiet_) return;
    const int final = SkipHiddenItems(HiddenFlags(), LastAccepted_, index);
    if (final != index) SelectQuietly(final);
    if (final == LastAccepted_) return;
    LastAccepted_ = final;
    // The toolkit's selection code is no place for an exception: an error of the owner goes straight
    // to the application's error handler.
    if (OnChange_) GuardedCall([this, final] { OnChange_(final); });
}

void TColorComboBox::DrawItem(QPainter& p, const QRect& rect, int index, bool focused, bool disabled) const {
    QColor back, text;
    if (focused && !disabled) {
        back = palette().color(QPalette::Active, QPalette::Highlight);
        text = Qt::white;
    } else if (disabled || ItemHidden(index)) {
        back = ToQColor(TColor(0xC0C0C0));
        text = ToQColor(TColor(0x808080));
    } else {
        back = ToQColor(ItemBackColor(index));
        text = ToQColor(ItemTextColor(index));
    }
    p.fillRect(rect, back);
    if (index < 0 || index >= count()) return;
    p.setPen(text);
    // The field beside the drop-down arrow is narrower than the list: a long item shrinks to fit it.
    p.save();
    p.setFont(FittedFont(font(), itemText(index), rect.width() - 2));
    p.drawText(rect.adjusted(2, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, itemText(index));
    p.restore();
}

void TColorComboBox::paintEvent(QPaintEvent*) {
    QStylePainter p(this);
    QStyleOptionComboBox opt;
    initStyleOption(&opt);
    opt.currentText.clear();
    opt.currentIcon = QIcon();
    p.drawComplexControl(QStyle::CC_ComboBox, opt);
    const QRect field = style()->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxEditField, this);
    DrawItem(p, field, currentIndex(), hasFocus(), !isEnabled());
}

}  // namespace vt
