#include "ui/ResponsiveLinkClock.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

namespace vt {

void TResponsiveLinkClock::SleepMs(int ms) {
    if (!Responsive_ || ms <= 0 || QCoreApplication::instance() == nullptr) {
        Steady_.SleepMs(ms);
        return;
    }
    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    deadline.start(ms);
    loop.exec(QEventLoop::ExcludeUserInputEvents | QEventLoop::ExcludeSocketNotifiers);
}

}  // namespace vt
