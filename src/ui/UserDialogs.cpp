#include "ui/UserDialogs.h"

#include <algorithm>

#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>

#include "core/ProgramLog.h"

namespace vt {

namespace {
TDialogAnswer ToAnswer(int button) {
    switch (button) {
        case QMessageBox::Yes: return TDialogAnswer::Yes;
        case QMessageBox::No: return TDialogAnswer::No;
        default: return TDialogAnswer::Cancel;
    }
}

// Without a screen nobody can click a box: it takes the answer that changes nothing (its Cancel or No,
// or its only button), said on standard error.
void AnsweredWithoutScreen(const QString& text, std::string_view answer) {
    LogAnswerTaken(text.toStdString(), answer, kNoScreenToAnswerOn);
}
}  // namespace

TDialogAnswer TMessageBoxDialogs::AskErrorYesNo(QWidget* parent, const QString& text) {
    if (!Screen_()) {
        AnsweredWithoutScreen(text, "No");
        return TDialogAnswer::No;
    }
    return ToAnswer(QMessageBox::critical(parent, QApplication::applicationName(), text,
                                          QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes));
}

TDialogAnswer TMessageBoxDialogs::AskYesNoCancel(QWidget* parent, const QString& text) {
    if (!Screen_()) {
        AnsweredWithoutScreen(text, "Cancel");
        return TDialogAnswer::Cancel;
    }
    return ToAnswer(QMessageBox::question(parent, QApplication::applicationName(), text,
                                          QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
                                          QMessageBox::Yes));
}

bool TMessageBoxDialogs::AskYesNo(QWidget* parent, const QString& text) {
    if (!Screen_()) {
        AnsweredWithoutScreen(text, "No");
        return false;
    }
    return QMessageBox::question(parent, QApplication::applicationName(), text, QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::Yes) == QMessageBox::Yes;
}

bool TMessageBoxDialogs::AskOkCancel(QWidget* parent, const QString& text) {
    if (!Screen_()) {
        AnsweredWithoutScreen(text, "Cancel");
        return false;
    }
    return QMessageBox::question(parent, QApplication::applicationName(), text, QMessageBox::Ok | QMessageBox::Cancel,
                                 QMessageBox::Ok) == QMessageBox::Ok;
}

bool TMessageBoxDialogs::ShowInformation(QWidget* parent, const QString& title, const QString& text,
                                         const QString& secondButton) {
    if (!Screen_()) {
        AnsweredWithoutScreen(text, "OK");
        return false;
    }
    QMessageBox box(QMessageBox::Information, title, text, QMessageBox::Ok, parent);
    QPushButton* second = box.addButton(secondButton, QMessageBox::RejectRole);
    box.exec();
    return box.clickedButton() == second;
}

bool TMessageBoxDialogs::AskColor(QWidget* parent, std::uint32_t& colour) {
    if (!Screen_()) {
        AnsweredWithoutScreen(QStringLiteral("Set Color"), "Cancel");
        return false;
    }
    const QColor chosen = QColorDialog::getColor(QColor(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF), parent, QString(),
                                                 QColorDialog::DontUseNativeDialog);
    if (!chosen.isValid()) return false;
    colour = static_cast<std::uint32_t>(chosen.red()) | static_cast<std::uint32_t>(chosen.green()) << 8 |
             static_cast<std::uint32_t>(chosen.blue()) << 16;
    return true;
}

bool NoVisibleScreen() {
    const QString platform = QGuiApplication::platformName();
    return platform == QLatin1String("offscreen") || platform == QLatin1String("minimal");
}

namespace {

// A box the program opens by itself: a dialog of its owner, centred over the main window as the
// user's own boxes are, and gone with it. (On an X display where the program's windows carry their
// own colormap, a root image read per window, as xwd reads it, leaves a window lying wholly inside
// another one black; the screen itself holds the box painted.)
QMessageBox* NewProgramBox(QMessageBox::Icon icon, const QString& text, QMessageBox::StandardButtons buttons,
                           QWidget* owner) {
    auto* box = new QMessageBox(icon, QApplication::applicationName(), text, buttons, owner);
    box->setWindowModality(Qt::NonModal);
    box->setAttribute(Qt::WA_DeleteOnClose);
    // A box left open must not keep the program alive once its window has gone.
    box->setAttribute(Qt::WA_QuitOnClose, false);
    return box;
}

// Shows the box with the keyboard on its default button: without a window manager nothing else hands
// it over, and Return and Escape would go to the window behind it.
void ShowWithKeyboard(QMessageBox* box, QMessageBox::StandardButton defaultButton) {
    box->setDefaultButton(defaultButton);
    box->show();
    box->raise();
    box->activateWindow();
    if (QPushButton* button = box->defaultButton()) button->setFocus(Qt::ActiveWindowFocusReason);
}

}  // namespace

void TMessageBoxDialogs::AskOkCancelLater(QWidget* parent, const QString& text,
                                          std::function<void(bool ok)> answered) {
    if (!Screen_()) {
        AnsweredWithoutScreen(text, "Cancel");
        answered(false);
        return;
    }
    QMessageBox* box = NewProgramBox(QMessageBox::Question, text, QMessageBox::Ok | QMessageBox::Cancel, parent);
    // The answer goes out from the event loop, not from inside the box's closing; it is dropped when the
    // owner has gone meanwhile.
    QObject* context = parent ? static_cast<QObject*>(parent) : QCoreApplication::instance();
    QObject::connect(box, &QMessageBox::finished, context, [box, context, answered = std::move(answered)](int) {
        QAbstractButton* clicked = box->clickedButton();
        const bool ok = clicked && box->standardButton(clicked) == QMessageBox::Ok;
        QMetaObject::invokeMethod(context, [answered, ok] { answered(ok); }, Qt::QueuedConnection);
    });
    ShowWithKeyboard(box, QMessageBox::Ok);
}

void TMessageBoxDialogs::AskOkCancelForCommandLater(QWidget* parent, const QString& text,
                                                    std::function<void(bool ok)> answered) {
    if (!Screen_()) {
        LogAnswerTaken(text.toStdString(), "OK", "on behalf of the remote command that asked for it");
        answered(true);
        return;
    }
    AskOkCancelLater(parent, text, std::move(answered));
}

void TMessageBoxDialogs::ShowError(QWidget* parent, const QString& text) {
    if (!Screen_()) return AnsweredWithoutScreen(text, "OK");
    QMessageBox::critical(parent, QApplication::applicationName(), text, QMessageBox::Ok);
}

namespace {

constexpr const char* ProgramMessageName = "ProgramMessage";

// The open non-modal box of this text, if any.
QMessageBox* OpenProgramMessage(const QString& text) {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(w);
            box && box->objectName() == QLatin1String(ProgramMessageName) && box->isVisible() && box->text() == text)
            return box;
    return nullptr;
}

QMessageBox* OpenNonModal(QWidget* parent, const QString& text, QMessageBox::StandardButtons buttons,
                          QMessageBox::StandardButton defaultButton) {
    QMessageBox* box = NewProgramBox(QMessageBox::Critical, text, buttons, parent);
    box->setObjectName(QLatin1String(ProgramMessageName));
    ShowWithKeyboard(box, defaultButton);
    return box;
}

}  // namespace

bool TMessageBoxDialogs::ShowErrorNonModal(QWidget* parent, const QString& text) {
    if (!Screen_()) return true;
    if (OpenProgramMessage(text)) return false;
    OpenNonModal(parent, text, QMessageBox::Ok, QMessageBox::Ok);
    return true;
}

bool TMessageBoxDialogs::AskErrorYesNoNonModal(QWidget* parent, const QString& text, std::function<void()> onNo) {
    // Without a screen the question keeps its Yes: the program goes on.
    if (!Screen_()) return true;
    if (OpenProgramMessage(text)) return false;
    QMessageBox* box = OpenNonModal(parent, text, QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes);
    QObject::connect(box, &QMessageBox::finished, box, [onNo = std::move(onNo)](int result) {
        if (result == QMessageBox::No && onNo) onNo();
    });
    return true;
}

void TMessageBoxDialogs::CloseErrorNonModal(const QString& text) {
    if (QMessageBox* box = OpenProgramMessage(text)) box->close();
}

void TMessageBoxDialogs::ShowMessage(QWidget* parent, const QString& text) {
    if (!Screen_()) return AnsweredWithoutScreen(text, "OK");
    QMessageBox::information(parent, QApplication::applicationName(), text);
}

QStringList QtFileFilters(std::string_view filter) {
    const QStringList parts = QString::fromUtf8(filter.data(), static_cast<qsizetype>(filter.size())).split('|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString& text = parts[i];
        const QString pattern = QString(parts[i + 1]).replace(';', ' ');
        filters.push_back(text.contains('(' + pattern + ')') ? text : text + " (" + pattern + ")");
    }
    return filters;
}

namespace {

// Non-native, so that the idle steps of the acquisition go on while the dialog is open.
bool ExecFileDialog(QWidget* parent, TSaveDialogRequest& request, bool save) {
    const QStringList filters = QtFileFilters(request.Filter);
    QFileDialog dialog(parent, QString::fromStdString(request.Title), QString::fromStdString(request.Folder));
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    if (!save) dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters(filters);
    if (request.FilterIndex >= 0 && request.FilterIndex < filters.size())
        dialog.selectNameFilter(filters[request.FilterIndex]);
    const QString name = QFileInfo(QString::fromStdString(request.Name)).fileName();
    if (!name.isEmpty() || save) dialog.selectFile(name.isEmpty() ? QStringLiteral("Noname") : name);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
    const QFileInfo chosen(dialog.selectedFiles().front());
    request.Folder = (chosen.absolutePath() + '/').toStdString();
    request.Name = save ? (chosen.absolutePath() + '/' + chosen.completeBaseName()).toStdString()
                        : chosen.absoluteFilePath().toStdString();
    request.FilterIndex = static_cast<int>(std::max<qsizetype>(filters.indexOf(dialog.selectedNameFilter()), 0));
    return true;
}

}  // namespace

bool TMessageBoxDialogs::ExecSaveDialog(QWidget* parent, TSaveDialogRequest& request) {
    if (!Screen_()) {
        AnsweredWithoutScreen(QString::fromStdString(request.Title), "Cancel");
        return false;
    }
    return ExecFileDialog(parent, request, true);
}

bool TMessageBoxDialogs::ExecOpenDialog(QWidget* parent, TSaveDialogRequest& request) {
    if (!Screen_()) {
        AnsweredWithoutScreen(QString::fromStdString(request.Title), "Cancel");
        return false;
    }
    return ExecFileDialog(parent, request, false);
}

void TDialogUserServices::Beep() { QApplication::beep(); }

void TDialogUserServices::ShowErrorDlg(const std::string& text) {
    Dialogs_.ShowError(Window_.data(), QString::fromStdString(text));
}

void TDialogUserServices::ShowNonModalError(const std::string& text) {
    Dialogs_.ShowErrorNonModal(Window_.data(), QString::fromStdString(text));
}

void TDialogUserServices::CloseNonModalError(const std::string& text) {
    Dialogs_.CloseErrorNonModal(QString::fromStdString(text));
}

bool TDialogUserServices::ConfirmOkCancel(const std::string& text) {
    return Dialogs_.AskOkCancel(Window_.data(), QString::fromStdString(text));
}

void TDialogUserServices::ConfirmOkCancelLater(const std::string& text, std::function<void(bool ok)> answered) {
    Dialogs_.AskOkCancelLater(Window_, QString::fromStdString(text), std::move(answered));
}

void TDialogUserServices::ConfirmOkCancelForCommandLater(const std::string& text, std::function<void(bool ok)> answered) {
    Dialogs_.AskOkCancelForCommandLater(Window_, QString::fromStdString(text), std::move(answered));
}

bool TDialogUserServices::ExecSaveDialog(TSaveDialogRequest& request) { return Dialogs_.ExecSaveDialog(Window_.data(), request); }

bool TDialogUserServices::ExecOpenDialog(TSaveDialogRequest& request) { return Dialogs_.ExecOpenDialog(Window_.data(), request); }

void TDialogUserServices::ShowMessage(const std::string& text) {
    Dialogs_.ShowMessage(Window_.data(), QString::fromStdString(text));
}

void TDialogUserServices::BeginBusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }

void TDialogUserServices::EndBusyCursor() { QApplication::restoreOverrideCursor(); }

}  // namespace vt
