#pragma once
// The switcher-control kit: the common base of every control that shows and edits one setting, the
// page container of the side menus, the binding of controls to their settings' handlers and the
// painting frame (title bar, focus frames, disabled look) in which every control draws.
//
// A switcher holds no value of its own: it shows what its handler holds, hands user changes to the
// handler's set step for changes made by a switcher, and repaints when the handler tells it to.
#include <QColor>
#include <QFont>
#include <QPalette>
#include <QRect>
#include <QString>
#include <QWidget>
#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/Color.h"
#include "core/Handlers.h"

class QPainter;

namespace vt {

class TLangIniFile;
class TLanguageState;
class TRC_EditSwitcher;

inline constexpr std::string_view AllMyControlsUnit = "_SHELL\\Components\\AllMyControls";
// The mnemonic of a control that is never bound (the passive command button carries it).
inline constexpr std::string_view NoneHandlerMnemonic = "None Handler";
inline constexpr int SwitcherTitleHeight = 18;

// Window-system colours, taken from the palette through one fixed mapping so that every control of
// the kit paints the same role with the same colour.
enum class TSysColor {
    BtnFace,
    BtnHighlight,
    BtnShadow,
    ActiveCaption,
    InactiveCaption,
    CaptionText,
    Window,
    WindowText,
};
QColor SysColor(const QPalette& palette, TSysColor color);

// The contrast ratio of two colours by their relative luminance (1 to 21).
double ContrastRatio(const QColor& a, const QColor& b);
// The caption-text colour when it reads on fill at a contrast of 4.5 or more, else black or white,
// whichever reads better.
QColor ReadableCaptionText(const QColor& captionText, const QColor& fill);

// True when any argument, upper-cased, is "HELPCONTEXT"; only the first 255 arguments count.
bool HasHelpContextArgument(const std::vector<std::string>& arguments);

// The path a switcher's handler is looked up under. pageGroup is the group mnemonic of the page the
// control sits on directly, or nothing when its parent is no page.
std::string SwitcherFullPath(std::string_view mnemonic, std::optional<std::string_view> pageGroup);

// The signal sources the source switchers offer, handed to the kit once at start-up.
struct TSourceSwitcherItems {
    int HighestIndex = -1;  // -1: no items
    std::array<QString, 18> Captions{};
    std::function<TColor(int source)> ColorOf;  // a source's text colour; none: the plain colour
    TColor Background{};
};

// The kit's process-wide values: where handlers are looked up, the help-context display mode and the
// log of mnemonics that name no setting. One per shell; the side-menu frame and the dialogs that bind
// their own controls make it reachable from their widgets (IKitHost).
class TKitContext {
public:
    using TFindHandler = std::function<THandler*(std::string_view path)>;
    using TLog = std::function<void(const std::string&)>;

    // arguments: the command-line arguments without the program name.
    explicit TKitContext(TFindHandler find, std::vector<std::string> arguments = {});

    THandler* FindHandler(std::string_view path) const { return Find_ ? Find_(path) : nullptr; }
    // Decided once, at the first question.
    bool IsHelpContextMode();
    // Mnemonics that named no setting while binding. Logged in debug builds only (to the log given
    // here, else as a warning): release builds keep the control unbound silently.
    void SetLog(TLog log) { Log_ = std::move(log); }
    void LogUnboundMnemonic(std::string_view path, const QString& caption);

    // Values other units hand the kit at start-up.
    TSourceSwitcherItems SourceItems;
    std::function<void(TRC_EditSwitcher&)> Calculator;  // opens the numeric entry pad on the control
    std::function<void()> Beep;                          // the system beep; none: the toolkit's

private:
    enum class THelpMode { Undetermined, Off, On };
    TFindHandler Find_;
    std::vector<std::string> Arguments_;
    THelpMode HelpMode_ = THelpMode::Undetermined;
    TLog Log_;
};

// A widget that makes the kit context reachable for the controls below it.
class IKitHost {
public:
    virtual ~IKitHost() = default;
    virtual TKitContext& Kit() = 0;
};
// The context of the nearest host among the widget and its parents, or null.
TKitContext* FindKit(const QWidget* widget);
// Sounds the kit's beep; the toolkit's where there is no kit or it has none.
void KitBeep(const TKitContext* kit);
// The font in which text fits in room pixels: narrower letters at the font's own size (down to half
// their width), and only a text that does not fit even so smaller (down to leastPoints): a long caption
// is drawn condensed rather than cut.
QFont FittedFont(const QFont& font, const QString& text, int room, double leastPoints = 5.0);

// Where a form's texts go in a language file and come from; handed to the controls' own text steps.
struct TFormTextSink {
    TLangIniFile& File;
    std::string Section;
    void Write(std::string_view key, std::string_view value) const;
};
struct TFormTextSource {
    const TLangIniFile& File;
    TLanguageState& Language;
    std::string Section;
    // False (and logged) when the key is missing.
    bool Read(std::string_view key, std::string& value) const;
    // False unless a list of exactly expectedCount items was read.
    bool ReadItems(std::string_view key, std::size_t expectedCount, std::vector<std::string>& items) const;
};

class TRC_Switcher : public QWidget, public IHandlerControl {
public:
    using TOnUpdateMe = std::function<void(TRC_Switcher& sw)>;

    explicit TRC_Switcher(QWidget* parent = nullptr);
    ~TRC_Switcher() override;

    bool WithHot() const { return WithHot_; }
    void SetWithHot(bool withHot);
    const std::string& Mnemonics() const { return Mnemonics_; }
    // Retargets a bound control at once.
    void SetMnemonics(std::string_view mnemonics);
    std::string GetFullMnemonic() const;
    // firstTime: a control that already has a handler is an internal error.
    void BindToHandler(bool firstTime);
    void UnbindFromHandler();
    THandler* GetHandler() const { return Handler_; }

    QString Caption() const { return Caption_; }
    void SetCaption(const QString& caption);
    int HelpContext() const { return HelpContext_; }
    void SetHelpContext(int context);
    void SetOnUpdateMe(TOnUpdateMe onUpdateMe) { OnUpdateMe_ = std::move(onUpdateMe); }
    bool Focused() const { return Focused_; }
    bool Frameless() const { return Frameless_; }
    // A control outside any kit host (the numeric entry pad) names its context itself.
    void SetKit(TKitContext* kit) { Kit_ = kit; }
    TKitContext* Kit() const;

    // The area the content is painted in.
    QRect ContentRect() const;
    // The title's text: the caption, in help-context mode after the help-context number.
    QString TitleText() const;
    // The title bar's room for its text, and the font the title is drawn in.
    int TitleRoom() const { return width() - 12; }
    QFont TitleFont() const;

    // Shows the handler's state; descendants show their value first and then call this step.
    virtual void UpdateFromHandler();
    // Called once right after a handler is bound; descendants check its class and shape.
    virtual void CheckHandler() {}
    virtual void PaintContent(QPainter& painter, const QRect& rect);
    // The least height at which the control shows its content whole: the height its kind is made
    // with, or what its frames and rows need. Pages never place a control lower than this.
    virtual int KindHeight() const;

    // Texts of a language file beyond the caption (units, hints, menus, items); key is the control's
    // key within its form's section.
    virtual void WriteLangTexts(const TFormTextSink& sink, std::string_view key) const;
    virtual void ApplyLangTexts(const TFormTextSource& source, std::string_view key);

protected:
    void SetFrameless(bool frameless);
    // Calls OnUpdateMe with this control when one is assigned.
    void DoUpdateMe() {
        if (OnUpdateMe_) OnUpdateMe_(*this);
    }

    void HandlerValueChanged(THandler& handler) override;
    void HandlerEnabledChanged(THandler& handler, bool disabled) override;
    void HandlerUnbound(THandler& handler) override;

    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    bool WithHot_ = true;
    bool Frameless_ = false;
    bool Focused_ = false;
    std::string Mnemonics_;
    QString Caption_;
    int HelpContext_ = 0;
    TOnUpdateMe OnUpdateMe_;
    THandler* Handler_ = nullptr;
    TKitContext* Kit_ = nullptr;
};

// Binds every direct switcher child of the container that has no handler yet.
void BindSwitchersOf(QWidget& container);
// The direct switcher children of a container.
std::vector<TRC_Switcher*> SwitchersOf(const QWidget& container);

// One page of a side menu.
class TRC_RightMenuPanel : public QWidget {
public:
    static constexpr int DefaultLeft = 522;
    static constexpr int DefaultTop = 27;
    static constexpr int DefaultWidth = 111;
    static constexpr int DefaultHeight = 426;

    explicit TRC_RightMenuPanel(QWidget* parent = nullptr);
    // Unbinds its switchers first, so that no handler keeps a control that is going away.
    ~TRC_RightMenuPanel() override;

    const std::string& GroupMnemonics() const { return GroupMnemonics_; }
    // A new group moves every child switcher to the handler of its new path.
    void SetGroupMnemonics(std::string_view group);
    void RebindSwitchers();
    bool WithoutFrame() const { return WithoutFrame_; }
    void SetWithoutFrame(bool withoutFrame);
    QString Caption() const { return Caption_; }
    void SetCaption(const QString& caption);
    // The font the caption is drawn in: the application font on every page.
    QFont CaptionFont() const;
    int HelpContext() const { return HelpContext_; }
    void SetHelpContext(int context);
    void SetColor(const QColor& color);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::string GroupMnemonics_;
    bool WithoutFrame_ = false;
    QString Caption_;
    int HelpContext_ = 0;
};

}  // namespace vt
