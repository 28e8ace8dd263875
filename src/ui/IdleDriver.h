#pragma once
// The idle handler of the main loop: runs once each time the event queue runs empty after events
// were handled, and again at once for as long as it reports "not done".
#include <QObject>
#include <QTimer>
#include <functional>

namespace vt {

class TIdleDriver : public QObject {
public:
    // Returns true when done: the next call waits for the next event.
    using THandler = std::function<bool()>;

    explicit TIdleDriver(QObject* parent = nullptr);
    ~TIdleDriver() override;

    // An empty handler detaches the idle processing.
    void SetHandler(THandler handler);
    const THandler& Handler() const { return Handler_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void AboutToBlock();
    void RunIdle();

    THandler Handler_;
    QTimer Again_;
    bool EventSeen_ = true;
    bool Running_ = false;
};

}  // namespace vt
