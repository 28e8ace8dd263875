#pragma once
// Command switchers: one or two drawn push buttons that run a command when released. A latching
// button stays down while its command's state is on; the main-window strip's buttons are frameless,
// coloured and may carry a pop-up menu of the command's variants.
#include <QColor>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <array>
#include <functional>
#include <memory>
#include <vector>

#include "ui/controls/Switcher.h"

class QMenu;

namespace vt {

enum TCommandButtonState : int { cbsUp = 0, cbsPushed = 1, cbsLatched = 2, cbsDisabled = 3 };

// Button rectangles: a frameless control's one button fills the content; otherwise one button or two
// side by side below the title.
std::vector<QRect> CommandButtonRects(bool frameless, int count, const QRect& content);

// The press, drag, release and key rules of the command buttons, without painting. A press shows the
// button pushed (a latched one stays latched); dragging off shows its own state again; a release over
// the button moves it on (pushed: latched when latching, else up; latched: up when releasable, else the
// click is ignored) and reports the button to execute.
class TCommandButtonsLogic {
public:
    explicit TCommandButtonsLogic(int count = 1) { SetCount(count); }

    int Count() const { return Count_; }
    void SetCount(int count);
    // The state the handler last reported (up or latched).
    int State(int b) const { return State_.at(static_cast<std::size_t>(b)); }
    void SetState(int b, int state) { State_.at(static_cast<std::size_t>(b)) = state; }
    // What is drawn: the stored state, or pushed while a press is over the button.
    int ShownState(int b) const;

    bool Latching() const { return Latching_; }
    // Clearing it clears the releasable flag too.
    void SetLatching(bool latching);
    bool Releasable() const { return Releasable_; }
    // Only while latching.
    void SetReleasable(bool releasable);

    int Focused() const { return Focused_; }
    int MousePressed() const { return MousePressed_; }
    int KeyPressed() const { return KeyPressed_; }
    bool PressIsOver() const { return Over_; }

    void Enter() { Focused_ = 0; }
    void Leave();
    void KeyLeft();
    void KeyRight();

    // button: the button under the mouse, -1 when none. True when the press was taken.
    bool MousePress(int button);
    void MouseMove(bool overPressedButton);
    // The button whose command runs, -1 when none.
    int MouseRelease(bool overPressedButton);
    bool SpacePress();
    int SpaceRelease();
    // Forgets a press without running anything (the control was disabled, a menu opened instead).
    void CancelPress();

private:
    int Release(int button, bool over);

    int Count_ = 1;
    std::array<int, 2> State_{cbsUp, cbsUp};
    int Focused_ = -1;
    int MousePressed_ = -1;
    int KeyPressed_ = -1;
    bool Over_ = false;
    bool Latching_ = false;
    bool Releasable_ = false;
};

// A pop-up menu's lines: "~Delimiter" is a separator, every other line an entry, at most 11 entries.
inline constexpr int MaxCommandMenuEntries = 11;
inline constexpr const char* CommandMenuDelimiter = "~Delimiter";
struct TCommandMenuTable {
    // Line of the menu items for each entry number.
    std::vector<int> EntryLine;
    // Per line: entry number, -1 for a separator, -2 for a line beyond the last entry.
    std::vector<int> LineEntry;
    int EntryCount() const { return static_cast<int>(EntryLine.size()); }
};
TCommandMenuTable BuildCommandMenuTable(const QStringList& lines);
// The number in an entry's name "Item%d", -1 when the name is no entry's.
int CommandMenuEntryOfName(const QString& name);

class TRC_CustomCmmandSwitcher : public TRC_Switcher {
public:
    explicit TRC_CustomCmmandSwitcher(QWidget* parent = nullptr, int buttonCount = 1);

    const TCommandButtonsLogic& Logic() const { return Logic_; }
    int ButtonCount() const { return Logic_.Count(); }
    std::vector<QRect> ButtonRects() const { return CommandButtonRects(Frameless(), Logic_.Count(), ContentRect()); }
    void SetLatching(bool latching) { Logic_.SetLatching(latching); }
    void SetReleasable(bool releasable) { Logic_.SetReleasable(releasable); }
    QColor TextColor() const { return TextColor_; }
    void SetTextColor(const QColor& color);

    void PaintContent(QPainter& painter, const QRect& rect) override;
    // The side-menu buttons' height below their title; the frameless main buttons' own.
    int KindHeight() const override { return Frameless() ? MainCommandHeight : RightCommandHeight; }
    static constexpr int RightCommandHeight = 41;
    static constexpr int MainCommandHeight = 20;
    // A press and release of the first button, as a mouse click gives; a disabled control takes none.
    void Click();

protected:
    // Runs the command of a released button.
    virtual void ExecuteButton(int button) = 0;
    virtual QString ButtonText(int button) const;
    void SetButtonState(int button, int state);
    int ButtonAt(const QPoint& point) const;
    // Runs the button's command after a press moved it on.
    void Released(int button);
    TCommandButtonsLogic& MutableLogic() { return Logic_; }

    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    TCommandButtonsLogic Logic_;
    QColor TextColor_{Qt::black};
};

// Starts and stops the wait after which a held press opens the pop-up menu; the control is told through
// its HoldElapsed. Tests replace it to run the wait by hand.
class ICommandHoldTimer {
public:
    virtual ~ICommandHoldTimer() = default;
    virtual void Start(int ms) = 0;
    virtual void Stop() = 0;
};

class TRC_MainCommandSwitcher : public TRC_CustomCmmandSwitcher {
public:
    static constexpr int HoldMs = 500;

    explicit TRC_MainCommandSwitcher(QWidget* parent = nullptr);
    ~TRC_MainCommandSwitcher() override;

    // The button's text is the control's caption (what the form's texts translate).
    QString TextBtn() const { return Caption(); }
    void SetTextBtn(const QString& text) { SetCaption(text); }
    QColor ColorOfText() const { return TextColor(); }
    void SetColorOfText(const QColor& color) { SetTextColor(color); }
    const QStringList& MenuItems() const { return MenuItems_; }
    void SetMenuItems(const QStringList& items) { MenuItems_ = items; }
    int MenuDefaultItem() const { return MenuDefaultItem_; }
    void SetMenuDefaultItem(int item) { MenuDefaultItem_ = item; }
    int SelectedEntry() const { return Selected_; }
    bool CheckMarks() const { return CheckMarks_; }
    QMenu* PopupMenu() const { return Menu_; }
    const TCommandMenuTable& MenuTable() const { return Table_; }

    void SetHoldTimer(std::unique_ptr<ICommandHoldTimer> timer);
    // A press held this long opens the menu instead of running the command.
    void HoldElapsed();
    // Runs the menu entry as if chosen from the pop-up.
    void ChooseEntry(int entry);
    void OpenMenu(const QPoint& at);

    void UpdateFromHandler() override;
    void CheckHandler() override;

    void WriteLangTexts(const TFormTextSink& sink, std::string_view key) const override;
    void ApplyLangTexts(const TFormTextSource& source, std::string_view key) override;

protected:
    void ExecuteButton(int button) override;
    QString ButtonText(int button) const override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void BuildMenu(int expectedEntries);
    void SelectEntry(int entry);
    void SyncLatch();

    QStringList MenuItems_;
    int MenuDefaultItem_ = -1;
    int Selected_ = -1;
    bool CheckMarks_ = false;
    TCommandMenuTable Table_;
    QMenu* Menu_ = nullptr;
    std::unique_ptr<ICommandHoldTimer> Hold_;
};

class TRC_RightCommandSwitcher : public TRC_CustomCmmandSwitcher {
public:
    explicit TRC_RightCommandSwitcher(QWidget* parent = nullptr);
    void UpdateFromHandler() override;

protected:
    void ExecuteButton(int button) override;
};

// A button with no handler: its form reacts through OnUpdateMe.
class TRC_RightPassiveCommandSwitcher : public TRC_CustomCmmandSwitcher {
public:
    explicit TRC_RightPassiveCommandSwitcher(QWidget* parent = nullptr);

protected:
    void ExecuteButton(int button) override;
};

}  // namespace vt
