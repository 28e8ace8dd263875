#include "ui/JitterPlotWindows.h"

#include <QHideEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>

#include "core/Shell.h"
#include "ui/MainWindow.h"
#include "ui/QtColor.h"

namespace vt {

namespace {
constexpr int ButtonSize = 16;
constexpr int BottomRoom = 33;
}  // namespace

TJitterSurfaceView::TJitterSurfaceView(QWidget* parent) : QWidget(parent), Surface_(this) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    Surface_.SetColor(JitterFaceColour);
}

TJitterSurfaceView::~TJitterSurfaceView() { Surface_.SetSink(nullptr); }

void TJitterSurfaceView::CopyToWindow(const TScanLinesScreen&, const TPixelRect& rect) {
    update(QRect(rect.Left, rect.Top, rect.Width(), rect.Height()));
}

void TJitterSurfaceView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawImage(0, 0, Surface_.Bitmap().Image());
}

void TJitterSurfaceView::mousePressEvent(QMouseEvent* event) {
    if (Clicked && event->button() == Qt::LeftButton) Clicked(static_cast<int>(event->position().x()));
}

TJitterGraphFrm::TJitterGraphFrm(TMorda_fr& main, TShell& shell, int type)
    : QWidget(&main, Qt::Tool), Main_(main), Type_(type), IsBitPlot_(type == jpDdjVsBit) {
    setObjectName(QStringLiteral("JitterGraphFrm%1").arg(type));
    setWindowTitle(QString::fromStdString("Veltrane - " + shell.LangStr(JitterPlotKeys[static_cast<std::size_t>(type)])));
    View_ = new TJitterSurfaceView(this);
    View_->setObjectName(QStringLiteral("Surface"));
    pnlComboPanel = new QWidget(this);
    pnlComboPanel->setObjectName(QStringLiteral("pnlComboPanel"));
    for (int i = 0; i < 3; ++i) {
        auto* b = new QPushButton(pnlComboPanel);
        b->setObjectName(QStringLiteral("pnlComboBtn%1").arg(i + 1));
        b->setCheckable(true);
        b->setFixedSize(ButtonSize, ButtonSize);
        QObject::connect(b, &QPushButton::clicked, this, [this, i] { PressChoice(i); });
        pnlComboBtn[static_cast<std::size_t>(i)] = b;
        auto* l = new QLabel(pnlComboPanel);
        l->setObjectName(QStringLiteral("lblCombo%1").arg(i + 1));
        lblCombo[static_cast<std::size_t>(i)] = l;
    }
    pnlComboPanel->setVisible(type == jpCompHist || type == jpCompDdjHist || type == jpDdjVsBit);
    lblNSamples = new QLabel(this);
    lblNSamples->setObjectName(QStringLiteral("lblNSamples"));
    Button1 = new QPushButton(QStringLiteral("Close"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    QObject::connect(Button1, &QPushButton::clicked, this, [this] { close(); });
    Timer1.setSingleShot(true);
    Timer1.setInterval(ResizeDelayMs);
    QObject::connect(&Timer1, &QTimer::timeout, this, [this] { Rebuild(); });
    if (IsBitPlot_) View_->Clicked = [this](int x) { Post(2, x); };
    resize(520, 320);
}

void TJitterGraphFrm::Post(int code, int value) {
    // Queued: the main window acts after this window's event has returned.
    TMorda_fr* main = &Main_;
    const int type = Type_;
    QMetaObject::invokeMethod(main, [main, code, type, value] { main->JitterPlotMessage(code, type, value); },
                              Qt::QueuedConnection);
}

void TJitterGraphFrm::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const int w = width(), h = height();
    View_->setGeometry(6, 6, std::max(1, w - 6), std::max(1, h - BottomRoom));
    Button1->setGeometry(w - 6 - 70, h - 27, 70, 22);
    lblNSamples->setGeometry(w - 6 - 70 - 8 - 120, h - 27, 120, 22);
    pnlComboPanel->setGeometry(6, h - 27, std::max(1, w - 6 - 70 - 8 - 120 - 8 - 6), 22);
    LayOutChoices();
    Timer1.start();
}

void TJitterGraphFrm::LayOutChoices() {
    const int pw = pnlComboPanel->width();
    int lw = (pw - 3 * ButtonSize - 28) / 3;
    if (lw >= 195) lw = 65;
    int x = 4;
    for (std::size_t i = 0; i < 3; ++i) {
        pnlComboBtn[i]->move(x, 3);
        lblCombo[i]->setGeometry(x + ButtonSize + 4, 0, std::max(1, lw), 22);
        x += ButtonSize + 4 + lw + 8;
    }
}

void TJitterGraphFrm::Rebuild() {
    Timer1.stop();
    TScanLinesTextScreen& s = View_->Surface();
    s.Resize(0, 0, View_->width(), View_->height());
    s.Clear();
    Post(1, 0);
}

void TJitterGraphFrm::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    if (!event->spontaneous()) Post(0, 0);
}

void TJitterGraphFrm::PressChoice(int n) {
    if (n < 0 || n > 2) return;
    pnlComboBtn[static_cast<std::size_t>(Front_)]->setChecked(false);
    Previous_ = Front_;
    Front_ = n;
    Third_ = 3 - Previous_ - Front_;
    pnlComboBtn[static_cast<std::size_t>(n)]->setChecked(true);
    Pressed_ = n;
    Post(1, 1);
}

int TJitterGraphFrm::TakePressedButton() {
    const int n = Pressed_;
    Pressed_ = -1;
    return n;
}

void TJitterGraphFrm::SetInfoText(const std::string& text) { lblNSamples->setText(QString::fromStdString(text)); }

void TJitterGraphFrm::SetChoiceButtons(const std::array<std::string, 3>& captions, const std::array<TColor, 3>& colours,
                                       const std::array<bool, 3>& enabled) {
    for (std::size_t i = 0; i < 3; ++i) {
        lblCombo[i]->setText(QString::fromStdString(captions[i]));
        QPushButton* b = pnlComboBtn[i];
        b->setEnabled(enabled[i]);
        const QColor c = enabled[i] ? ToQColor(colours[i]) : palette().color(QPalette::Button);
        b->setStyleSheet(QStringLiteral("background-color: %1; border: 1px solid gray;").arg(c.name()));
    }
}

TJitterPlotTable::~TJitterPlotTable() {
    for (int type = 0; type < JitterPlotCount; ++type) Free(type);
}

TJitterGraphFrm* TJitterPlotTable::Frame(int type) const {
    return type >= 0 && type < JitterPlotCount ? Frames_[static_cast<std::size_t>(type)] : nullptr;
}

void TJitterPlotTable::Open(int type) {
    if (type < 0 || type >= JitterPlotCount) return;
    auto& slot = Frames_[static_cast<std::size_t>(type)];
    if (!slot) slot = new TJitterGraphFrm(Main_, Shell_, type);
    slot->show();
}

void TJitterPlotTable::Free(int type) {
    if (type < 0 || type >= JitterPlotCount) return;
    TJitterGraphFrm* frame = Frames_[static_cast<std::size_t>(type)];
    Frames_[static_cast<std::size_t>(type)] = nullptr;
    if (!frame) return;
    frame->hide();
    frame->deleteLater();
}

void OpenJitterPlotWindow(TJitterPlotTable& table, int type) { table.Open(type); }

}  // namespace vt
