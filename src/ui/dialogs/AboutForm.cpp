#include "ui/dialogs/AboutForm.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QLabel>
#include <QIcon>
#include <QPainter>
#include <QPolygon>
#include <QPushButton>
#include <QUrl>

#include "ui/OwnVersion.h"

namespace vt {

namespace {

constexpr int FadeInStep = 10;
constexpr int FadeOutStep = 20;
constexpr int ClosableAlpha = 20;
constexpr const char* HomePage = "https://www.veltrane.example.org";
constexpr const char* Contact = "support@veltrane.example.org";

QLabel* AddLabel(QWidget* parent, const char* name, const QString& text, int left, int top, int width) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setGeometry(left, top, width, 16);
    return label;
}

QPushButton* AddButton(QWidget* parent, const char* name, const QString& text, int top) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QLatin1String(name));
    button->setGeometry(252, top, 116, 24);
    return button;
}

}  // namespace

TAboutForm::TAboutForm(const TAboutTexts& texts, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("AboutForm"));
    setFont(QFont(QStringLiteral("Liberation Sans"), 8));
    setFixedSize(380, 190);
    setWindowTitle(QStringLiteral("About ") + QString::fromStdString(texts.InstrumentName));

    auto* product = AddLabel(this, "lbProduct", QStringLiteral("Veltrane"), 64, 14, 180);
    QFont bold = product->font();
    bold.setBold(true);
    bold.setPointSize(12);
    product->setFont(bold);
    product->setFixedHeight(22);
    Version_ = AddLabel(this, "lbVersion", QString::fromStdString(GetOwnFileVersion()), 64, 40, 180);
    AddLabel(this, "lbCompany", QStringLiteral("Morvex"), 64, 58, 180);
    Shell_ = AddLabel(this, "lbShell",
                      QString::fromStdString(texts.InstrumentName + " " + texts.KindName + " Shell"), 12, 86, 232);
    AddLabel(this, "lbCompanyNotice", QStringLiteral("Copyright \u00A9 Morvex. All rights reserved."), 12, 112, 232);
    auto* home = AddLabel(this, "lbHomePage", QStringLiteral("<a href=\"%1\">%1</a>").arg(QLatin1String(HomePage)), 12,
                          136, 232);
    auto* contact = AddLabel(this, "lbContact",
                             QStringLiteral("<a href=\"mailto:%1\">%1</a>").arg(QLatin1String(Contact)), 12, 156, 232);
    for (QLabel* link : {home, contact}) {
        link->setTextFormat(Qt::RichText);
        link->setTextInteractionFlags(Qt::LinksAccessibleByMouse);
        connect(link, &QLabel::linkActivated, [](const QString& url) { QDesktopServices::openUrl(QUrl(url)); });
    }

    Info_ = AddButton(this, "btnInstrumentInfo", QStringLiteral("Instrument Info..."), 88);
    TcpIp_ = AddButton(this, "btnTcpIp", QStringLiteral("TCP / IP Properties..."), 120);
    Ok_ = AddButton(this, "btnOK", QStringLiteral("OK"), 152);
    Ok_->setDefault(true);
    if (!texts.HasOptLAN) {
        TcpIp_->hide();
        Info_->move(Info_->x(), TcpIp_->y());
    }
    connect(Ok_, &QPushButton::clicked, this, &QDialog::accept);
    connect(Info_, &QPushButton::clicked, [this] {
        if (ShowInstrumentInfo) ShowInstrumentInfo();
    });
    connect(TcpIp_, &QPushButton::clicked, [this] {
        if (ShowTcpIpProperties) ShowTcpIpProperties();
    });
    PrepareButtons();

    Fade_.setInterval(TickMs);
    connect(&Fade_, &QTimer::timeout, [this] { FadeTick(); });
    SetAlpha(StartAlpha);
}

void TAboutForm::PrepareButtons() {
    Info_->setEnabled(static_cast<bool>(ShowInstrumentInfo));
    TcpIp_->setEnabled(static_cast<bool>(ShowTcpIpProperties));
}

void TAboutForm::SetAlpha(int alpha) {
    Alpha_ = alpha;
    setWindowOpacity(alpha / 255.0);
}

void TAboutForm::FadeTick() {
    if (Closing_) {
        SetAlpha(std::max(Alpha_ - FadeOutStep, 0));
        if (Alpha_ <= ClosableAlpha) {
            Fade_.stop();
            QDialog::done(Result_);
        }
        return;
    }
    SetAlpha(std::min(Alpha_ + FadeInStep, MaxAlpha));
    if (Alpha_ > 232) Fade_.stop();
}

void TAboutForm::paintEvent(QPaintEvent* event) {
    QDialog::paintEvent(event);
    // The application's icon at the top left; our own drawing where the application has none.
    QPainter painter(this);
    const QRect place(12, 14, 40, 40);
    const QIcon icon = QApplication::windowIcon();
    if (!icon.isNull()) {
        icon.paint(&painter, place);
        return;
    }
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x10, 0x30, 0x6a));
    painter.drawRoundedRect(place, 6, 6);
    painter.setPen(QPen(Qt::yellow, 2));
    const int x = place.left() + 6;
    const int y = place.center().y();
    painter.drawPolyline(QPolygon({QPoint(x, y + 6), QPoint(x + 8, y + 6), QPoint(x + 12, y - 8), QPoint(x + 20, y - 8),
                                   QPoint(x + 24, y + 6), QPoint(x + 28, y + 6)}));
}

void TAboutForm::showEvent(QShowEvent* event) {
    PrepareButtons();
    QDialog::showEvent(event);
    Fade_.start();
}

void TAboutForm::closeEvent(QCloseEvent* event) {
    if (Alpha_ <= ClosableAlpha) {
        QDialog::closeEvent(event);
        return;
    }
    event->ignore();
    done(Rejected);
}

void TAboutForm::done(int result) {
    // Fades out first; the timer closes the box once it is nearly transparent.
    if (Alpha_ <= ClosableAlpha) {
        QDialog::done(result);
        return;
    }
    Result_ = result;
    Closing_ = true;
    Fade_.start();
}

}  // namespace vt
