#pragma once
// A choice shown as a drop-down list: the handler's disabled items are hidden from it.
#include <QStringList>
#include <cstdint>

#include "ui/controls/Switcher.h"
#include "ui/controls/ColorComboBox.h"

namespace vt {

// Creation geometry shared by the list and source switchers.
inline constexpr QRect ListSwitcherGeometry{4, 16, 103, 45};
inline constexpr int ListSwitcherDropDownCount = 8;
// The child list's place inside a list switcher of the given width.
QRect ListPlace(int controlWidth, int listHeight, bool withHot);

// What the list switchers share: the child list placed on every paint and the title bar that shows the
// focus while the list has it.
class TRC_ListSwitcherBase : public TRC_Switcher {
public:
    explicit TRC_ListSwitcherBase(QWidget* parent = nullptr);
    TColorComboBox& List() const { return *List_; }
    void PaintContent(QPainter& painter, const QRect& rect) override;
    // With a title the height the control is made with; without one the list alone.
    int KindHeight() const override;

protected:
    void PlaceList();
    // A selection the user made in the list.
    virtual void ListChanged(int index) = 0;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void Beep();

private:
    TColorComboBox* List_ = nullptr;
};

class TRC_ListBoxSwitcher : public TRC_ListSwitcherBase {
public:
    explicit TRC_ListBoxSwitcher(QWidget* parent = nullptr);

    void SetItems(const QStringList& items);
    QStringList Items() const { return List().Items(); }
    int ItemIndex() const { return List().currentIndex(); }
    void SetItemIndex(int index) { List().SetIndexSilently(index); }
    int DropDownCount() const { return List().DropDownCount(); }
    void SetDropDownCount(int count) { List().SetDropDownCount(count); }
    TColor TextColor() const { return TextColor_; }
    TColor FonColor() const { return FonColor_; }
    // Every item takes the colour, however long the list.
    void SetTextColor(TColor color);
    void SetFonColor(TColor color);

    void UpdateFromHandler() override;
    void CheckHandler() override;
    void WriteLangTexts(const TFormTextSink& sink, std::string_view key) const override;
    void ApplyLangTexts(const TFormTextSource& source, std::string_view key) override;

protected:
    void ListChanged(int index) override;

private:
    void ColorItems();
    TColor TextColor_ = clWhite;
    TColor FonColor_ = clBlack;
    std::uint32_t AppliedMask_ = 0;
};

}  // namespace vt
