#pragma once
// The questions and messages the program puts to the user. Tests install answers of their own.
#include <QString>
#include <QStringList>
#include <string_view>

#include "core/UserServices.h"

class QWidget;

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
    virtual void ShowMessage(QWidget* parent, const QString& text) = 0;
    // A file-save dialog; true when the user chose a file (the request then holds the choice).
    virtual bool ExecSaveDialog(QWidget* parent, TSaveDialogRequest& request) = 0;
    // A question with Yes and No; where only the three-button question is given, its Cancel is No.
    virtual bool AskYesNo(QWidget* parent, const QString& text) {
        return AskYesNoCancel(parent, text) == TDialogAnswer::Yes;
    }
    // A confirmation with OK and Cancel; where it is not given, the Yes/No question stands in.
    virtual bool AskOkCancel(QWidget* parent, const QString& text) { return AskYesNo(parent, text); }
};

// The filters of a "text|pattern|text|pattern" list in Qt's form, "text (pattern)" each; a text that
// already names its pattern keeps it as it is.
QStringList QtFileFilters(std::string_view filter);

// Modal message boxes.
class TMessageBoxDialogs : public TUserDialogs {
public:
    TDialogAnswer AskErrorYesNo(QWidget* parent, const QString& text) override;
    TDialogAnswer AskYesNoCancel(QWidget* parent, const QString& text) override;
    void ShowError(QWidget* parent, const QString& text) override;
    void ShowMessage(QWidget* parent, const QString& text) override;
    bool ExecSaveDialog(QWidget* parent, TSaveDialogRequest& request) override;
    bool AskYesNo(QWidget* parent, const QString& text) override;
    bool AskOkCancel(QWidget* parent, const QString& text) override;
};

// The user services of the program below the window, answered by the window's dialogs.
class TDialogUserServices : public TUserServices {
public:
    explicit TDialogUserServices(TUserDialogs& dialogs) : Dialogs_(dialogs) {}
    void Beep() override;
    void ShowErrorDlg(const std::string& text) override;
    bool ConfirmOkCancel(const std::string& text) override;
    bool ExecSaveDialog(TSaveDialogRequest& request) override;

private:
    TUserDialogs& Dialogs_;
};

}  // namespace vt
