#pragma once
// Button switchers: a grid of child buttons that shows a choice of one item (radio buttons), a set of
// flags (check boxes) or an on/off state. The children only draw and report clicks; the value is the
// handler's, and every click goes to the handler's set step for changes made by a switcher.
#include <QRect>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <vector>

#include "ui/controls/Switcher.h"

namespace vt {

inline constexpr int MaxButtonColumns = 16;
inline constexpr int MaskedButtonCount = 32;  // children covered by the disabled and checked masks

// Places of the children of a button grid: column-major, C columns, the rows sharing the height.
// An empty grid has no places.
std::vector<QRect> LayoutButtonGrid(const QRect& content, int columns, int count);

int ClampButtonColumns(int columns);

// Help contexts and shown captions of the children when each child has its own help context. A
// caption "_250C" restarts the numbering at 250 (a "_" without digits keeps it); each leading "~"
// steps one back, each leading "*" one forward; the markers are not shown.
struct TChildHelp {
    std::vector<int> Contexts;
    QStringList Captions;
};
TChildHelp NumberChildHelp(int controlHelpContext, const QStringList& captions);

// Bit i of a mask, false beyond the mask's 32 bits.
bool MaskBit(std::uint32_t mask, int i);

// One child of a button grid: a radio button or a check box that may be drawn as a push button. It
// shows what it is told and reports a click; it decides nothing.
class TMyGridButton : public QWidget {
public:
    enum class TKind { Radio, Check };
    using TOnClick = std::function<void(int index, bool checked)>;

    TMyGridButton(TKind kind, int index, QWidget* parent, TOnClick onClick);

    TKind Kind() const { return Kind_; }
    int Index() const { return Index_; }
    bool Checked() const { return Checked_; }
    void SetChecked(bool checked);
    bool PushLike() const { return PushLike_; }
    void SetPushLike(bool pushLike);
    QString Caption() const { return Caption_; }
    void SetCaption(const QString& caption);
    int HelpContext() const { return HelpContext_; }
    void SetHelpContext(int context) { HelpContext_ = context; }
    // A click as the window system makes it: a radio button becomes checked, a check box toggles.
    void Click();
    // The room the style gives the caption beside its indicator (or inside the button), and the
    // control's font narrowed to it.
    QRect CaptionRoom() const;
    QFont CaptionFont() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;
    // The focus on a child is the focus on its control: the control's title and frames show it.
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    TKind Kind_;
    int Index_;
    TOnClick OnClick_;
    bool Checked_ = false;
    bool PushLike_ = false;
    bool Down_ = false;
    QString Caption_;
    int HelpContext_ = 0;
};

class TMyRadioButton : public TMyGridButton {
public:
    TMyRadioButton(int index, QWidget* parent, TOnClick onClick)
        : TMyGridButton(TKind::Radio, index, parent, std::move(onClick)) {}
};

class TMyCheckBox : public TMyGridButton {
public:
    TMyCheckBox(int index, QWidget* parent, TOnClick onClick)
        : TMyGridButton(TKind::Check, index, parent, std::move(onClick)) {}
};

class TRC_PolyButtonSwitcher : public TRC_Switcher {
public:
    explicit TRC_PolyButtonSwitcher(QWidget* parent = nullptr);

    bool ViewAsButton() const { return ViewAsButton_; }
    // Draws the children as push buttons.
    virtual void SetViewAsButton(bool viewAsButton);
    bool HelpSeparate() const { return HelpSeparate_; }
    // Numbers the children at once when they exist.
    void SetHelpSeparate(bool helpSeparate);
    std::uint32_t DisabledButtons() const { return DisabledMask_; }
    virtual void SetDisabledButtons(std::uint32_t mask);
    int Columns() const { return Columns_; }
    void SetColumns(int columns);
    const QStringList& Items() const { return Items_; }
    void SetItems(const QStringList& items);

    int ButtonCount() const { return static_cast<int>(Buttons_.size()); }
    TMyGridButton& Button(int i) const { return *Buttons_.at(static_cast<std::size_t>(i)); }
    bool Updating() const { return Updating_; }
    // The least row in which a child is drawn whole: its text line, and its indicator unless it is
    // drawn as a push button.
    int RowHeightNeeded() const;
    // The frames and title and every row at the least height.
    int KindHeight() const override;

    void WriteLangTexts(const TFormTextSink& sink, std::string_view key) const override;
    void ApplyLangTexts(const TFormTextSource& source, std::string_view key) override;

protected:
    virtual void RebuildButtons() = 0;
    virtual void SetButtonCount(int count) = 0;

    // Creates or frees children from the end until there are count of them.
    void ResizeChildren(int count, TMyGridButton::TKind kind);
    // One child per item with its caption and check, numbered and laid out.
    void RebuildChildren(const std::function<bool(int)>& checked);
    void LayoutButtons();
    void ApplyHelpNumbers();
    // Runs f with the updating flag set, so that the children's click reports are ignored meanwhile.
    template <class F>
    void WhileUpdating(F&& f) {
        TResetOnExit<bool> restore(Updating_, Updating_);
        Updating_ = true;
        f();
    }
    virtual void ChildClicked(int index, bool checked) = 0;

    void resizeEvent(QResizeEvent* event) override;
    // The children's help numbers follow the control's help context as it is when the control shows.
    void showEvent(QShowEvent* event) override;

private:
    bool ViewAsButton_ = false;
    bool HelpSeparate_ = false;
    std::uint32_t DisabledMask_ = 0;
    int Columns_ = 1;
    bool Updating_ = false;
    QStringList Items_;
    std::vector<TMyGridButton*> Buttons_;
};

class TRC_CustomRadioSwitcher : public TRC_PolyButtonSwitcher {
public:
    using TRC_PolyButtonSwitcher::TRC_PolyButtonSwitcher;

    int ItemIndex() const { return ItemIndex_; }
    // Clamped to -1 .. count - 1.
    void SetItemIndex(int index);

protected:
    virtual void ApplyToHandler() = 0;
    void RebuildButtons() override;
    void SetButtonCount(int count) override;
    void ChildClicked(int index, bool checked) override;

private:
    int ItemIndex_ = -1;
};

class TRC_RadioSwitcher : public TRC_CustomRadioSwitcher {
public:
    using TRC_CustomRadioSwitcher::TRC_CustomRadioSwitcher;
    void UpdateFromHandler() override;
    void CheckHandler() override;

protected:
    void ApplyToHandler() override;
};

class TRC_OnOffSwitch : public TRC_CustomRadioSwitcher {
public:
    static constexpr int DefaultHeight = 37;
    explicit TRC_OnOffSwitch(QWidget* parent = nullptr);
    void UpdateFromHandler() override;
    int KindHeight() const override;

protected:
    void ApplyToHandler() override;
};

class TRC_CustomCheckSwitcher : public TRC_PolyButtonSwitcher {
public:
    using TRC_PolyButtonSwitcher::TRC_PolyButtonSwitcher;

    std::uint32_t CheckedMask() const { return Mask_; }
    void SetCheckedMask(std::uint32_t mask);
    void SetDisabledButtons(std::uint32_t mask) override;
    // The one child that takes the focus by Tab, -1 when none.
    int TabChild() const { return TabChild_; }

protected:
    virtual void ApplyToHandler() = 0;
    void RebuildButtons() override;
    void SetButtonCount(int count) override;
    void ChildClicked(int index, bool checked) override;
    void ChooseTabChild();
    int ClickedIndex() const { return Clicked_; }
    bool ClickedState() const { return ClickedState_; }

private:
    std::uint32_t Mask_ = 0;
    int Clicked_ = -1;
    bool ClickedState_ = false;
    int TabChild_ = -1;
};

class TRC_CheckSwitcher : public TRC_CustomCheckSwitcher {
public:
    using TRC_CustomCheckSwitcher::TRC_CustomCheckSwitcher;
    void UpdateFromHandler() override;
    void CheckHandler() override;

protected:
    void ApplyToHandler() override;
};

class TRC_OnOffCheckSwitcher : public TRC_CustomCheckSwitcher {
public:
    static constexpr int DefaultHeight = 18;
    explicit TRC_OnOffCheckSwitcher(QWidget* parent = nullptr);
    void UpdateFromHandler() override;
    int KindHeight() const override;
    // The first line of the items.
    QString ButtomsCaption() const;
    void SetButtomsCaption(const QString& caption);

protected:
    void ApplyToHandler() override;
};

}  // namespace vt
