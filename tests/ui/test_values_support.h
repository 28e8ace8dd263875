#pragma once
// Fixtures of the value and list switcher tests: fake repeat timers on a fake clock, mouse and key
// events sent straight to a control, and a kit host that counts beeps and calculator calls.
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <memory>
#include <vector>

#include "test_switcher_support.h"
#include "ui/VeltraneApplication.h"
#include "ui/controls/EditSwitcher.h"

namespace vt::test {

// Repeat timers that fire when the fake clock passes their due time.
class TFakeTimers {
public:
    class TTimer : public IStepTimer {
    public:
        TTimer(TFakeTimers& owner, std::function<void()> tick) : Owner_(owner), Tick_(std::move(tick)) {
            Owner_.Live_ = this;
            ++Owner_.Created;
        }
        ~TTimer() override { Owner_.Live_ = nullptr; }
        void SetInterval(int ms) override { Interval_ = ms; }
        int Interval() const override { return Interval_; }
        void SetEnabled(bool enabled) override {
            Enabled_ = enabled;
            Due_ = Owner_.Now + Interval_;
        }
        bool Enabled() const override { return Enabled_; }

    private:
        friend class TFakeTimers;
        TFakeTimers& Owner_;
        std::function<void()> Tick_;
        int Interval_ = 0;
        bool Enabled_ = false;
        long Due_ = 0;
    };

    TStepTimerFactory Factory() {
        return [this](std::function<void()> tick) { return std::make_unique<TTimer>(*this, std::move(tick)); };
    }
    // Moves the clock on, firing the live timer each time it is due.
    void Advance(long ms) {
        const long end = Now + ms;
        while (Live_ && Live_->Enabled_ && Live_->Due_ <= end) {
            Now = Live_->Due_;
            Live_->Tick_();
        }
        Now = end;
    }
    const IStepTimer* Live() const { return Live_; }

    long Now = 0;
    int Created = 0;

private:
    TTimer* Live_ = nullptr;
};

inline void SendMouse(QWidget& w, QEvent::Type type, QPoint pos, Qt::MouseButton button = Qt::LeftButton,
                      Qt::MouseButtons buttons = Qt::LeftButton) {
    QMouseEvent e(type, QPointF(pos), w.mapToGlobal(QPointF(pos)), button, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(&w, &e);
}

inline void SendKey(QWidget& w, int key, const QString& text = {}, bool autoRepeat = false,
                    QEvent::Type type = QEvent::KeyPress) {
    QKeyEvent e(type, key, Qt::NoModifier, text, autoRepeat);
    QCoreApplication::sendEvent(&w, &e);
}

// Types a text at the control, one key-down per character.
inline void TypeText(QWidget& w, const QString& text) {
    for (QChar c : text) {
        int key = c.toUpper().unicode();
        if (c == QLatin1Char('\r')) key = Qt::Key_Return;
        if (c == QLatin1Char('\x1b')) key = Qt::Key_Escape;
        if (c == QLatin1Char('\b')) key = Qt::Key_Backspace;
        SendKey(w, key, QString(c));
    }
}

// The message of the error an event handed to the application, empty when none.
template <class F>
std::string DeliveredErrorOf(F&& f) {
    auto* app = dynamic_cast<TVeltraneApplication*>(QCoreApplication::instance());
    if (!app) return "no application";
    std::string message;
    auto previous = app->OnException;
    app->OnException = [&](const std::string& m) { message = m; };
    f();
    QCoreApplication::sendPostedEvents();
    app->OnException = previous;
    return message;
}

// A kit fixture whose context counts beeps and calculator calls.
struct TValuesFixture : TKitFixture {
    int Beeps = 0;
    std::vector<TRC_EditSwitcher*> CalculatorFor;
    TKitHostWidget Host{Kit};
    TValuesFixture() {
        Kit.Beep = [this] { ++Beeps; };
        Kit.Calculator = [this](TRC_EditSwitcher& sw) { CalculatorFor.push_back(&sw); };
    }
};

}  // namespace vt::test
