#include "ui/IdleDriver.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <chrono>

#include "ui/VeltraneApplication.h"

namespace vt {

TIdleDriver::TIdleDriver(QObject* parent, TClockNs clock) : QObject(parent), Clock_(std::move(clock)) {
    if (!Clock_)
        Clock_ = [] {
            return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
                .count();
        };
    Again_.setSingleShot(true);
    Again_.setInterval(0);
    connect(&Again_, &QTimer::timeout, this, [this] { RunIdle(); });
    QCoreApplication::instance()->installEventFilter(this);
    connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, this,
            [this] { AboutToBlock(); });
}

TIdleDriver::~TIdleDriver() {
    if (auto* app = QCoreApplication::instance()) app->removeEventFilter(this);
}

void TIdleDriver::SetHandler(THandler handler) {
    Handler_ = std::move(handler);
    EventSeen_ = true;  // a new handler gets its first call when the queue next runs empty
}

bool TIdleDriver::eventFilter(QObject* watched, QEvent* event) {
    // Our own wake-up is not an event of the program: counting it would make the loop spin.
    if (watched != &Again_) EventSeen_ = true;
    return QObject::eventFilter(watched, event);
}

void TIdleDriver::AboutToBlock() {
    if (!EventSeen_ || Running_ || !Handler_ || Again_.isActive()) return;
    Again_.start();
}

void TIdleDriver::RunIdle() {
    if (!Handler_ || Running_) return;
    EventSeen_ = false;
    Running_ = true;
    ++Turns_;
    bool done = true;
    const std::int64_t start = Clock_();
    do {
        ++Steps_;
        done = true;  // a step that throws counts as done
        GuardedProgramCall([&] { done = Handler_(); });
    } while (!done && Handler_ && Clock_() - start < SliceNs);
    Running_ = false;
    if (!done && Handler_) Again_.start();
}

}  // namespace vt
