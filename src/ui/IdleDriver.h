#pragma once
// The idle handler of the main loop: runs once each time the event queue runs empty after events
// were handled, and again for as long as it reports "not done". Steps that are not done run back to
// back within one turn of the event loop for at most one slice, so a busy acquisition does not pay a
// whole loop turn and a poll per step, while a click or a request waits no longer than one slice.
#include <QEvent>
#include <QObject>
#include <QTimer>
#include <cstdint>
#include <functional>

namespace vt {

class TIdleDriver : public QObject {
public:
    // Returns true when done: the next call waits for the next event.
    using THandler = std::function<bool()>;
    // A monotonic time in nanoseconds; the default is the steady clock.
    using TClockNs = std::function<std::int64_t()>;

    static constexpr std::int64_t SliceNs = 1'000'000;

    explicit TIdleDriver(QObject* parent = nullptr, TClockNs clock = {});
    ~TIdleDriver() override;

    // An empty handler detaches the idle processing.
    void SetHandler(THandler handler);
    const THandler& Handler() const { return Handler_; }

    // Turns of the event loop that ran idle steps, and the steps they ran.
    std::int64_t Turns() const { return Turns_; }
    std::int64_t Steps() const { return Steps_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool event(QEvent* event) override;

private:
    static QEvent::Type PassEventType();
    void AboutToBlock();
    void RunIdle();

    THandler Handler_;
    TClockNs Clock_;
    QTimer Again_;
    bool EventSeen_ = true;
    bool Running_ = false;
    std::int64_t Turns_ = 0;
    std::int64_t Steps_ = 0;
};

}  // namespace vt
