#include "ui/UserDialogs.h"

#include <QApplication>
#include <QMessageBox>

namespace vt {

namespace {
TDialogAnswer ToAnswer(int button) {
    switch (button) {
        case QMessageBox::Yes: return TDialogAnswer::Yes;
        case QMessageBox::No: return TDialogAnswer::No;
        default: return TDialogAnswer::Cancel;
    }
}
}  // namespace

TDialogAnswer TMessageBoxDialogs::AskErrorYesNo(QWidget* parent, const QString& text) {
    return ToAnswer(QMessageBox::critical(parent, QApplication::applicationName(), text,
                                          QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes));
}

TDialogAnswer TMessageBoxDialogs::AskYesNoCancel(QWidget* parent, const QString& text) {
    return ToAnswer(QMessageBox::question(parent, QApplication::applicationName(), text,
                                          QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
                                          QMessageBox::Yes));
}

bool TMessageBoxDialogs::AskYesNo(QWidget* parent, const QString& text) {
    return QMessageBox::question(parent, QApplication::applicationName(), text, QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::Yes) == QMessageBox::Yes;
}

void TMessageBoxDialogs::ShowError(QWidget* parent, const QString& text) {
    QMessageBox::critical(parent, QApplication::applicationName(), text, QMessageBox::Yes);
}

void TMessageBoxDialogs::ShowMessage(QWidget* parent, const QString& text) {
    QMessageBox::information(parent, QApplication::applicationName(), text);
}

}  // namespace vt
