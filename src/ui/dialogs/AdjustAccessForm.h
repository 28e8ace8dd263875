#pragma once
// "Adjustment Access": the password that opens the adjustment menu for the rest of the run.
#include <QDialog>

#include "ui/dialogs/DialogRunner.h"

class QLineEdit;
class QPushButton;

namespace vt {

class TShell;
class TKitContext;

class TAdjustAccess : public QDialog {
public:
    TAdjustAccess(TShell& shell, QWidget* owner);
    QLineEdit& PasswordEdit() const { return *edPassword_; }
    QPushButton& OkButton() const { return *btnOK_; }

private:
    TShell& Shell_;
    QLineEdit* edPassword_;
    QPushButton* btnOK_;
};

// Beeps once the tries are used up; else shows the dialog 120 pixels right of and 100 pixels below
// the owner's top-left corner.
void ShowAdjustAccess(TShell& shell, QWidget* owner, const TDialogRunner& runner, const std::function<void()>& beep);

}  // namespace vt
