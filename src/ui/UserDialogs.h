#pragma once
// The questions and messages the program puts to the user. Tests install answers of their own.
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <string_view>

#include "core/UserServices.h"


namespace vt {

enum class TDialogAnswer { Yes, No, Cancel };

class TUserDialogs {
public:
    virtual ~TUserDialogs() = default;
    // An error dialog with Yes and No.
    virtual TDialogAnswer AskErrorYesNo(QWidget* parent, const QString& text) = 0;
    // A confirmation with Yes, No and Cancel.
    virtual TDialogAnswer AskYesNoCancel(QWidget* parent, const QString& text) = 0;
    // An error dialog whose only button is Yes.
    virtual void ShowError(QWidget* parent, const QString& text) = 0;
    // Boxes that hold nothing, for what the program says by itself: shown, and the caller goes on. While
    // a box of the same text is open no second one opens: then false. The question's onNo runs when the
    // user chooses No; closing it otherwise is Yes.
    virtual bool ShowErrorNonModal(QWidget* /*parent*/, const QString& /*text*/) { return true; }
    virtual bool AskErrorYesNoNonModal(QWidget* /*parent*/, const QString& /*text*/, std::function<void()> /*onNo*/) {
        return true;
    }
    // The open box of that text closes (its cause has gone).
    virtual void CloseErrorNonModal(const QString& /*text*/) {}
    virtual void ShowMessage(QWidget* parent, const QString& text) = 0;
    // A file-save dialog; true when the user chose a file (the request then holds the choice).
    virtual bool ExecSaveDialog(QWidget* parent, TSaveDialogRequest& request) = 0;
    // A file-open dialog: the chosen name keeps its extension.
    virtual bool ExecOpenDialog(QWidget* /*parent*/, TSaveDialogRequest& /*request*/) { return false; }
    // A question with Yes and No; where only the three-button question is given, its Cancel is No.
    virtual bool AskYesNo(QWidget* parent, const QString& text) {
        return AskYesNoCancel(parent, text) == TDialogAnswer::Yes;
    }
    // A question with OK and Cancel; true for OK.
    virtual bool AskOkCancel(QWidget* parent, const QString& text) { return AskYesNo(parent, text); }
    // A question with OK and Cancel that the program asks by itself: it never holds the event loop.
    // answered gets the answer once (true for OK); here at once, from the question above.
    virtual void AskOkCancelLater(QWidget* parent, const QString& text, std::function<void(bool ok)> answered) {
        answered(AskOkCancel(parent, text));
    }
    // The same for a question inside work a remote command asked for: here as the one above.
    virtual void AskOkCancelForCommandLater(QWidget* parent, const QString& text, std::function<void(bool ok)> answered) {
        AskOkCancelLater(parent, text, std::move(answered));
    }
    // The system colour dialog, fully open, on colour (red in the low byte); true on OK, with the choice
    // in colour.
    virtual bool AskColor(QWidget* parent, std::uint32_t& colour) {
        (void)parent, (void)colour;
        return false;
    }
    // An information box titled `title` with OK and a second button of that caption; true when the
    // second button was chosen.
    virtual bool ShowInformation(QWidget* parent, const QString& title, const QString& text,
                                 const QString& secondButton) {
        (void)title, (void)secondButton;
        ShowMessage(parent, text);
        return false;
    }
};

// The filters of a "text|pattern|text|pattern" list in Qt's form, "text (pattern)" each; a text that
// already names its pattern keeps it as it is.
QStringList QtFileFilters(std::string_view filter);

// True when the program runs without a screen anyone sees (the offscreen platform of CI and unattended
// benches): no one can answer a question there.
bool NoVisibleScreen();

// The form of a run that has ended goes once the event that ended it has returned (perhaps the form's
// own Cancel); the pointer is cleared at once.
template <class TForm>
void DismissLater(QPointer<TForm>& form) {
    if (!form) return;
    form->hide();
    form->deleteLater();
    form = nullptr;
}

// Modal message boxes; the program's own questions are non-modal boxes. Without a visible screen no
// box is made, modal or not: a message goes to standard error, a question takes the answer that
// changes nothing (Cancel, No, OK; the error dialog's Yes) and standard error keeps it with the answer.
class TMessageBoxDialogs : public TUserDialogs {
public:
    // screen: whether the program's own boxes are seen (by default: unless the platform shows nothing).
    explicit TMessageBoxDialogs(std::function<bool()> screen = [] { return !NoVisibleScreen(); })
        : Screen_(std::move(screen)) {}
    // A non-modal box; without a visible screen Cancel's answer at once, written to standard error.
    void AskOkCancelLater(QWidget* parent, const QString& text, std::function<void(bool ok)> answered) override;
    // The same box; without a visible screen OK's answer at once for the command's script, logged.
    void AskOkCancelForCommandLater(QWidget* parent, const QString& text, std::function<void(bool ok)> answered) override;
    // Without a visible screen AskErrorYesNo, ShowError and ShowMessage make no box: No, or the only
    // button, is taken at once and written to standard error.
    TDialogAnswer AskErrorYesNo(QWidget* parent, const QString& text) override;
    TDialogAnswer AskYesNoCancel(QWidget* parent, const QString& text) override;
    void ShowError(QWidget* parent, const QString& text) override;
    bool ShowErrorNonModal(QWidget* parent, const QString& text) override;
    bool AskErrorYesNoNonModal(QWidget* parent, const QString& text, std::function<void()> onNo) override;
    void CloseErrorNonModal(const QString& text) override;
    void ShowMessage(QWidget* parent, const QString& text) override;
    bool ExecSaveDialog(QWidget* parent, TSaveDialogRequest& request) override;
    bool ExecOpenDialog(QWidget* parent, TSaveDialogRequest& request) override;
    bool AskYesNo(QWidget* parent, const QString& text) override;
    bool AskOkCancel(QWidget* parent, const QString& text) override;
    bool ShowInformation(QWidget* parent, const QString& title, const QString& text,
                         const QString& secondButton) override;
    bool AskColor(QWidget* parent, std::uint32_t& colour) override;

private:
    std::function<bool()> Screen_;
};

// The user services of the program below the window, answered by the window's dialogs.
class TDialogUserServices : public TUserServices {
public:
    explicit TDialogUserServices(TUserDialogs& dialogs) : Dialogs_(dialogs) {}
    void Beep() override;
    void ShowErrorDlg(const std::string& text) override;
    void ShowNonModalError(const std::string& text) override;
    void CloseNonModalError(const std::string& text) override;
    bool ConfirmOkCancel(const std::string& text) override;
    void ConfirmOkCancelLater(const std::string& text, std::function<void(bool ok)> answered) override;
    void ConfirmOkCancelForCommandLater(const std::string& text, std::function<void(bool ok)> answered) override;
    bool ExecSaveDialog(TSaveDialogRequest& request) override;
    bool ExecOpenDialog(TSaveDialogRequest& request) override;
    void ShowMessage(const std::string& text) override;
    void BeginBusyCursor() override;
    void EndBusyCursor() override;
    // The window every box of the program stands centred over, and whose own questions and non-modal
    // boxes close with it (none before it exists: they stand alone).
    void SetWindow(QWidget* window) { Window_ = window; }

private:
    TUserDialogs& Dialogs_;
    QPointer<QWidget> Window_;
};

}  // namespace vt
