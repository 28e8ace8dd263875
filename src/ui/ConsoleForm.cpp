#include "ui/ConsoleForm.h"

#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>

#include "core/ConsoleText.h"

namespace vt {

TfrmConsole::TfrmConsole(TConsoleSession& session, QWidget* parent)
    : QWidget(parent, Qt::Window), Session_(session) {
    setObjectName("frmConsole");
    Session_.OnLaterReply = [this] { ScheduleShowLog(); };
    setWindowTitle(QStringLiteral("Console"));
    resize(520, 420);

    GroupBox1_ = new QGroupBox(QStringLiteral("Command"), this);
    GroupBox1_->setObjectName("GroupBox1");
    GroupBox1_->setGeometry(8, 4, 504, 56);
    ComboBox1_ = new QComboBox(GroupBox1_);
    ComboBox1_->setObjectName("ComboBox1");
    ComboBox1_->setEditable(true);
    ComboBox1_->setInsertPolicy(QComboBox::NoInsert);
    ComboBox1_->setGeometry(8, 22, 320, 24);
    Button1_ = new QPushButton(QStringLiteral("Send"), GroupBox1_);
    Button1_->setObjectName("Button1");
    Button1_->setGeometry(336, 22, 76, 24);
    btnClose_ = new QPushButton(QStringLiteral("Exit"), GroupBox1_);
    btnClose_->setObjectName("btnClose");
    btnClose_->setGeometry(420, 22, 76, 24);

    Image1_ = new QLabel(this);
    Image1_->setObjectName("Image1");
    Image1_->setGeometry(8, 68, TWaveformPreview::Width, TWaveformPreview::Height);

    Memo1_ = new QPlainTextEdit(this);
    Memo1_->setObjectName("Memo1");
    Memo1_->setReadOnly(true);
    Memo1_->setUndoRedoEnabled(false);
    Memo1_->setGeometry(8, 140, 504, 272);

    connect(Button1_, &QPushButton::clicked, this, [this] { Button1Click(); });
    connect(btnClose_, &QPushButton::clicked, this, [this] { btnCloseClick(); });
    // Enter on the command line sends, as the form's default button.
    connect(ComboBox1_->lineEdit(), &QLineEdit::returnPressed, this, [this] { Button1Click(); });

    ShowHistory();
    ComboBox1_->setEditText(QStringLiteral("*Run"));
    ShowPreview();
}

TfrmConsole::~TfrmConsole() { Session_.OnLaterReply = nullptr; }

void TfrmConsole::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    ComboBox1_->setFocus();
    // The offered command is selected: what the user types replaces it rather than joining it.
    ComboBox1_->lineEdit()->selectAll();
    ShowLog();
}

void TfrmConsole::Button1Click() {
    const QString text = ComboBox1_->currentText();
    const auto result = Session_.Send(text.toStdString());
    if (!result.Sent) return;
    ShowHistory();
    ComboBox1_->setEditText(text);
    if (result.Beep) {
        ++Beeps_;
        QApplication::beep();
    }
    ShowPreview();
    ShowLog();
}

void TfrmConsole::AddLogLine(const std::string& line) {
    Session_.Log.AppendLine("", line);
    ScheduleShowLog();
}

void TfrmConsole::ScheduleShowLog() {
    // A hidden console is brought up to date when it is shown.
    if (!isVisible() || ShowLogPosted_) return;
    ShowLogPosted_ = true;
    QTimer::singleShot(0, this, [this] {
        ShowLogPosted_ = false;
        ShowLog();
    });
}

void TfrmConsole::ShowHistory() {
    const QString text = ComboBox1_->currentText();
    ComboBox1_->clear();
    for (const std::string& item : Session_.History.Items()) ComboBox1_->addItem(QString::fromStdString(item));
    ComboBox1_->setEditText(text);
}

void TfrmConsole::ShowLog() {
    const TConsoleLog& log = Session_.Log;
    const std::string& text = log.Text();
    if (log.Trims() != ShownTrims_ || ShownLength_ > text.size()) {
        Memo1_->setPlainText(QString::fromStdString(text));
    } else if (ShownLength_ < text.size()) {
        const std::string_view added = std::string_view(text).substr(ShownLength_);
        QTextCursor end(Memo1_->document());
        end.movePosition(QTextCursor::End);
        end.insertText(QString::fromUtf8(added.data(), static_cast<qsizetype>(added.size())));
    }
    ShownTrims_ = log.Trims();
    ShownLength_ = text.size();
    Memo1_->verticalScrollBar()->setValue(Memo1_->verticalScrollBar()->maximum());
}

void TfrmConsole::ShowPreview() {
    const TWaveformPreview& p = Session_.Preview;
    QImage image(TWaveformPreview::Width, TWaveformPreview::Height, QImage::Format_RGB32);
    if (!p.Shown()) {
        image.fill(palette().color(QPalette::Window));
    } else {
        for (int r = 0; r < TWaveformPreview::Height; ++r) {
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(r));
            for (int c = 0; c < TWaveformPreview::Width; ++c) line[c] = p.White(c, r) ? qRgb(255, 255, 255) : qRgb(0, 0, 0);
        }
    }
    Image1_->setPixmap(QPixmap::fromImage(image));
}

}  // namespace vt
