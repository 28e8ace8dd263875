#pragma once
// Kit fixtures shared by the switcher and side-menu tests: a command tree with a few settings, a kit
// host widget and an on/off switcher that draws its handler's state and hands clicks to it.
#include <QPainter>
#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "core/InternalError.h"
#include "core/CommandTree.h"
#include "ui/controls/Switcher.h"

namespace vt::test {

class TOnOffTestSwitcher : public TRC_Switcher {
public:
    using TRC_Switcher::TRC_Switcher;
    int Updates = 0;
    bool ShownOn = false;

    void UpdateFromHandler() override {
        ++Updates;
        if (auto* h = dynamic_cast<TOnOffHandler*>(GetHandler())) ShownOn = h->GetOn();
        TRC_Switcher::UpdateFromHandler();
    }
    void CheckHandler() override {
        if (!dynamic_cast<TOnOffHandler*>(GetHandler()))
            VT_INTERNAL_ERROR(AllMyControlsUnit, "OnOff Switcher " + Caption().toStdString() + " bound to wrong Handler");
    }
    void PaintContent(QPainter& p, const QRect& r) override { p.fillRect(r, ShownOn ? Qt::green : Qt::black); }

protected:
    void mousePressEvent(QMouseEvent* event) override {
        TRC_Switcher::mousePressEvent(event);
        if (auto* h = dynamic_cast<TOnOffHandler*>(GetHandler())) h->SetOnFromSwitcher(!h->GetOn());
    }
};

// A command tree and the kit context that looks up in it.
struct TKitFixture {
    std::unique_ptr<TCommandTree> Tree = CreateCommandTree();
    std::vector<std::string> Log;
    TKitContext Kit{[this](std::string_view path) { return Tree->Root().FindHandler(path); }};
    TKitFixture() {
        Kit.SetLog([this](const std::string& line) { Log.push_back(line); });
    }
    TOnOffHandler& OnOff(std::string_view path) { return Tree->Root().AddOnOffHandler(path, {}); }
};

class TKitHostWidget : public QWidget, public IKitHost {
public:
    explicit TKitHostWidget(TKitContext& kit, QWidget* parent = nullptr) : QWidget(parent), Kit_(kit) {}
    TKitContext& Kit() override { return Kit_; }

private:
    TKitContext& Kit_;
};

// The internal error's message of a call, empty when it raised none.
template <class F>
std::string InternalErrorOf(F&& f) {
    try {
        f();
    } catch (const EInternalError& e) {
        return e.Message();
    }
    return {};
}

}  // namespace vt::test
