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

QEvent::Type TIdleDriver::PassEventType() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

bool TIdleDriver::eventFilter(QObject* watched, QEvent* event) {
    // Our own wake-ups are no events of the program: counting them would make the loop spin.
    if (watched != &Again_ && watched != this) EventSeen_ = true;
    return QObject::eventFilter(watched, event);
}

bool TIdleDriver::event(QEvent* event) {
    if (event->type() != PassEventType()) return QObject::event(event);
    RunIdle();
    return true;
}

void TIdleDriver::AboutToBlock() {
    if (!EventSeen_ || Running_ || !Handler_ || Again_.isActive()) return;
    // The pass runs here, before the loop waits, rather than on a timer of its own: each batch of
    // events would otherwise pay a second turn of the loop and its poll. It is sent as an event, so
    // that what it deletes later goes at the next turn as from any handler, also in a nested loop.
    QEvent pass(PassEventType());
    QCoreApplication::sendEvent(this, &pass);
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
