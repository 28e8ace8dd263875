#pragma once
// The questions and messages the program puts to the user. Tests install answers of their own.
#include <QString>

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
    // A question with Yes and No; where only the three-button question is given, its Cancel is No.
    virtual bool AskYesNo(QWidget* parent, const QString& text) {
        return AskYesNoCancel(parent, text) == TDialogAnswer::Yes;
    }
};

// Modal message boxes.
class TMessageBoxDialogs : public TUserDialogs {
public:
    TDialogAnswer AskErrorYesNo(QWidget* parent, const QString& text) override;
    TDialogAnswer AskYesNoCancel(QWidget* parent, const QString& text) override;
    void ShowError(QWidget* parent, const QString& text) override;
    void ShowMessage(QWidget* parent, const QString& text) override;
    bool AskYesNo(QWidget* parent, const QString& text) override;
};

}  // namespace vt
