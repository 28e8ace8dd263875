#include "ui/dialogs/InitialisationDialogs.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <memory>
#include <string_view>

#include "core/ProgramLog.h"
#include "ui/UserDialogs.h"

namespace vt {

namespace {

QString ButtonName(TInitDialogResult answer) {
    switch (answer) {
        case TInitDialogResult::Yes: return QStringLiteral("btnYes");
        case TInitDialogResult::No: return QStringLiteral("btnNo");
        case TInitDialogResult::Ignore: return QStringLiteral("btnIgnore");
        default: return QStringLiteral("btnAbort");
    }
}

}  // namespace

TInitialisationDialog::TInitialisationDialog(const TInitDialogContent& content, QWidget* parent,
                                             const TTranslateForm& translate)
    : QDialog(parent) {
    setObjectName(QString::fromStdString(content.FormName));
    setFont(QFont(QStringLiteral("Liberation Sans"), 8));
    setWindowTitle(QString::fromStdString(std::string(kInitialisationCaption)));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 14, 16, 12);
    int lineNumber = 0;
    for (const std::string& line : content.Lines) {
        auto* label = new QLabel(QString::fromStdString(line), this);
        label->setObjectName(QStringLiteral("Label%1").arg(++lineNumber));
        if (&line == &content.Lines.front()) {
            QFont bold = label->font();
            bold.setBold(true);
            label->setFont(bold);
        }
        layout->addWidget(label);
    }
    layout->addSpacing(10);
    auto* row = new QHBoxLayout;
    row->addStretch();
    for (const TInitDialogButton& b : content.Buttons) {
        auto* button = new QPushButton(QString::fromStdString(b.Caption), this);
        button->setObjectName(ButtonName(b.Result));
        button->setEnabled(b.Enabled);
        button->setDefault(b.Default && b.Enabled);
        button->setAutoDefault(false);
        const TInitDialogResult answer = b.Result;
        connect(button, &QPushButton::clicked, this, [this, answer] {
            Answer_ = answer;
            accept();
        });
        row->addWidget(button);
    }
    layout->addLayout(row);
    if (translate) translate(*this);
    setFixedSize(sizeHint());
}

QPushButton* TInitialisationDialog::Button(const QString& caption) const {
    for (QPushButton* b : findChildren<QPushButton*>())
        if (b->text() == caption) return b;
    return nullptr;
}

TInitDialogResult TStartUpDialogs::ShowInitialisationDialog(int attempt, const std::string& instrumentName,
                                                            bool demoAvailable) {
    if (!Runner && NoVisibleScreen()) {
        // Nobody can click: the cancel button's answer ("Exit"), said on standard error.
        const TInitDialogContent content = InitialisationDialogContent(attempt, instrumentName, demoAvailable);
        TInitDialogButton cancel;
        for (const TInitDialogButton& b : content.Buttons)
            if (b.Cancel) cancel = b;
        std::string text;
        for (const std::string& line : content.Lines) {
            if (!text.empty()) text += std::string_view("!?.:").find(text.back()) != std::string_view::npos ? " " : ". ";
            text += line;
        }
        LogAnswerTaken(text, cancel.Caption, kNoScreenToAnswerOn);
        return cancel.Result;
    }
    std::unique_ptr<TInitialisationDialog> dialog;
    QWidget* owner = Owner.data();
    if (attempt <= 1) dialog = std::make_unique<TDialog1>(instrumentName, demoAvailable, owner, Translate);
    else if (attempt == 2) dialog = std::make_unique<TDialog2>(instrumentName, demoAvailable, owner, Translate);
    else dialog = std::make_unique<TDialog3>(instrumentName, demoAvailable, owner, Translate);
    RunModal(Runner, *dialog);
    return dialog->Answer();
}

}  // namespace vt
