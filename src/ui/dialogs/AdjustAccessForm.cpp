#include "ui/dialogs/AdjustAccessForm.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "core/AdjustAccess.h"
#include "core/Shell.h"

namespace vt {

TAdjustAccess::TAdjustAccess(TShell& shell, QWidget* owner) : QDialog(owner), Shell_(shell) {
    setObjectName(QStringLiteral("AdjustAccess"));
    setFont(QFont(QStringLiteral("Liberation Sans"), 8));
    setWindowTitle(QStringLiteral("Adjustment Access"));
    setFixedSize(220, 100);
    auto* label = new QLabel(QStringLiteral("Enter Password"), this);
    label->setObjectName(QStringLiteral("lblPassword"));
    label->setGeometry(12, 10, 196, 16);
    edPassword_ = new QLineEdit(this);
    edPassword_->setObjectName(QStringLiteral("edPassword"));
    edPassword_->setGeometry(12, 30, 196, 22);
    edPassword_->setEchoMode(QLineEdit::Password);
    edPassword_->setStyleSheet(QStringLiteral("QLineEdit { color: red; lineedit-password-character: 42; }"));
    btnOK_ = new QPushButton(QStringLiteral("OK"), this);
    btnOK_->setObjectName(QStringLiteral("btnOK"));
    btnOK_->setGeometry(30, 66, 84, 24);
    btnOK_->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("btnCancel"));
    cancel->setGeometry(124, 66, 84, 24);
    connect(btnOK_, &QPushButton::clicked, this, [this] {
        const bool close = EnterAccessCode(Shell_, edPassword_->text().toStdString());
        edPassword_->clear();
        if (close) accept();
    });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void ShowAdjustAccess(TShell& shell, QWidget* owner, const TDialogRunner& runner, const std::function<void()>& beep) {
    if (!AccessDialogAllowed(shell)) {
        if (beep) beep();
        return;
    }
    TAdjustAccess dialog(shell, owner);
    if (owner) {
        const QPoint corner = owner->mapToGlobal(QPoint(0, 0));
        dialog.move(corner.x() + 120, corner.y() + 100);
    }
    RunModal(runner, dialog);
}

}  // namespace vt
