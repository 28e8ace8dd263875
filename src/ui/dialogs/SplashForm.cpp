#include "ui/dialogs/SplashForm.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>

#include "ui/OwnVersion.h"

namespace vt {

TSplashForm::TSplashForm(QWidget* parent) : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("SplashForm"));
    setFont(QFont(QStringLiteral("Liberation Sans"), 8));
    setFixedSize(ClientWidth, ClientHeight);
    Picture_ = new QLabel(this);
    Picture_->setObjectName(QStringLiteral("imgSplash"));
    Picture_->setGeometry(1, 1, ClientWidth - 2, 220);
    Picture_->setAlignment(Qt::AlignCenter);
    QFont title(QStringLiteral("Liberation Sans"));
    title.setPixelSize(40);
    title.setBold(true);
    Picture_->setFont(title);
    Picture_->setText(QStringLiteral("Veltrane"));
    Picture_->setStyleSheet(QStringLiteral("color: #10306a;"));
    Version_ = new QPlainTextEdit(this);
    Version_->setObjectName(QStringLiteral("memoVersion"));
    Version_->setGeometry(10, 230, 424, 75);
    Version_->setReadOnly(true);
    Version_->setFrameShape(QFrame::NoFrame);
    Version_->setPlainText(QString::fromStdString(GetOwnFileVersion()) +
                          QStringLiteral(" Veltrane sampling oscilloscope software version:\n"
                                         "Copyright Morvex. All rights reserved."));
    Status_ = new QLabel(QStringLiteral("Initializing..."), this);
    Status_->setObjectName(QStringLiteral("lbStatus"));
    Status_->setGeometry(6, ClientHeight - 20, 428, 16);
    Button_ = new QPushButton(this);
    Button_->setGeometry(-100, -100, 1, 1);  // only takes the focus
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - QPoint(ClientWidth / 2, ClientHeight / 2));
}

void TSplashForm::SetStatus(const QString& status) {
    Status_->setText(status);
    Status_->repaint();
}

QString TSplashForm::Status() const { return Status_->text(); }

QString TSplashForm::VersionLine() const { return Version_->toPlainText().section(QLatin1Char('\n'), 0, 0); }

void TSplashForm::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(Qt::black);
    painter.setBrush(Qt::white);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    Button_->setFocus();
}

}  // namespace vt
