#pragma once
// The drop-down list of the list and source switchers: each item carries its own text and background
// colours and can be hidden, which takes it out of the drop-down list and out of keyboard moves.
#include <QComboBox>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <vector>

#include "core/Color.h"

namespace vt {

// The index a selection move ends on. A move onto a hidden item (other than the last accepted one) goes
// on to the nearest item that is not hidden, first in the direction of the move, then the other way;
// when every other item is hidden the last accepted index stays.
int SkipHiddenItems(const std::vector<bool>& hidden, int lastAccepted, int newIndex);
// The rows a drop-down shows: the wanted count, at most the items not hidden, at least 1.
int FittedDropDownCount(int count, int visibleItems);

class TColorComboBox : public QComboBox {
public:
    // The owner's notification of an accepted selection.
    using TOnChange = std::function<void(int index)>;

    explicit TColorComboBox(QWidget* parent = nullptr);

    void SetItems(const QStringList& items);
    QStringList Items() const;
    void AddItem(const QString& text);
    void ClearItems();

    // Bits 0 to 31 hide items 0 to 31 (as far as they exist); items beyond keep their flags.
    void SetHiddenMask(std::uint32_t mask);
    void SetItemHidden(int index, bool hidden);
    bool ItemHidden(int index) const;
    int VisibleItemCount() const;

    void SetItemColors(int index, TColor text, TColor back);
    void SetItemTextColor(int index, TColor text);
    void SetItemBackColor(int index, TColor back);
    TColor ItemTextColor(int index) const;
    TColor ItemBackColor(int index) const;

    // Selects and stores as the last accepted index, without notifying the owner.
    void SetIndexSilently(int index);
    int LastAcceptedIndex() const { return LastAccepted_; }

    void SetDropDownCount(int count) { setMaxVisibleItems(count < 1 ? 1 : count); }
    int DropDownCount() const { return maxVisibleItems(); }
    void FitDropDownCount(int count);

    // The height of an item in the drop-down list: 0 for a hidden one.
    int ItemHeight(int index) const;
    void SetOnChange(TOnChange onChange) { OnChange_ = std::move(onChange); }

    // Paints one item: the focused one highlighted, a hidden one or any in the disabled state grey,
    // the others in their own colours.
    void DrawItem(QPainter& painter, const QRect& rect, int index, bool focused, bool disabled) const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    class TDelegate;
    struct TSlot {
        bool Hidden = false;
        TColor Text = clWhite;
        TColor Back = clBlack;
    };
    void SelectionChanged(int index);
    void SelectQuietly(int index);
    void ApplyRowHidden(int index);
    std::vector<bool> HiddenFlags() const;
    bool Valid(int index) const { return index >= 0 && index < static_cast<int>(Slots_.size()); }

    std::vector<TSlot> Slots_;  // one per item, kept in step with the list's rows
    int LastAccepted_ = -1;
    bool Quiet_ = false;
    TOnChange OnChange_;
};

}  // namespace vt
