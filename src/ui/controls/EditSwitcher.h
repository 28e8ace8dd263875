#pragma once
// A numeric setting the user types, steps with the arrow buttons (held: repeated), steps with the
// arrow keys, or sets to its limits from the pop-up menu or the keyboard.
#include <QAction>
#include <QMenu>
#include <array>
#include <memory>

#include "ui/controls/EditTyping.h"
#include "ui/controls/LabelSwitcher.h"

namespace vt {

class TRC_EditSwitcher : public TRC_LabelSwitcher {
public:
    static constexpr int NoArrow = 2;
    // Codes the numeric entry pad sends for its Backspace and Escape keys.
    static constexpr int PadBackspaceCode = 122;
    static constexpr int PadEscapeCode = 121;

    explicit TRC_EditSwitcher(QWidget* parent = nullptr);
    ~TRC_EditSwitcher() override;

    // Types one key from the numeric entry pad; true while the control is still in typing mode.
    bool ProcessKey(int code);

    bool Typing() const { return Typing_.Typing; }
    const std::string& TypedString() const { return Typing_.Text; }
    bool FineMode() const { return FineMode_; }
    void SetFineMode(bool on);
    bool FineAvailable() const { return FineAvailable_; }
    bool KeyRunActive() const { return KeyRun_; }
    bool MouseRunActive() const { return MouseArrow_ != NoArrow; }
    bool ArrowPressed(int arrow) const { return Pressed_[static_cast<std::size_t>(arrow)]; }
    // Arrow 0 (up, above) or 1 (down, below).
    QRect ArrowRect(int arrow) const;

    // A negative tag keeps a double click from opening the numeric entry pad.
    int Tag() const { return Tag_; }
    void SetTag(int tag) { Tag_ = tag; }

    QMenu& PopupMenu() { return *Menu_; }
    // Carries out a pop-up menu entry.
    void MenuItemClick(const QAction& item);
    // Ends a mouse run as the window system's cancel-mode message does.
    void CancelMode() { EndMouseRun(); }
    void SetTimerFactory(TStepTimerFactory factory) { TimerFactory_ = std::move(factory); }

    void CheckHandler() override;
    void PaintContent(QPainter& painter, const QRect& rect) override;
    void WriteLangTexts(const TFormTextSink& sink, std::string_view key) const override;
    void ApplyLangTexts(const TFormTextSource& source, std::string_view key) override;

protected:
    QRect LayoutValueField() const override;
    bool TypingNow() const override { return Typing_.Typing; }
    QString TypedText() const override { return QString::fromStdString(Typing_.Text); }

    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void changeEvent(QEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void Step(int action);
    int FirstStepAction(bool up) const;
    void StartMouseRun(int arrow);
    void RepeatTick();
    void EndMouseRun();
    void StartKeyRun(int key, bool up);
    void EndKeyRun();
    void TypeCharacter(char c);
    void LeaveTyping();
    void OpenCalculator();
    void Beep();
    int ArrowAt(const QPoint& pos) const;
    void PaintArrow(QPainter& painter, int arrow);

    TTypingState Typing_;
    std::array<bool, 2> Pressed_{};
    int MouseArrow_ = NoArrow;
    int RunKey_ = 0;
    bool KeyRun_ = false;
    bool FineAvailable_ = false;
    bool FineMode_ = false;
    int Tag_ = 0;
    QMenu* Menu_ = nullptr;
    QAction* FineItem_ = nullptr;
    TStepTimerFactory TimerFactory_;
    std::unique_ptr<IStepTimer> Timer_;
};

}  // namespace vt
