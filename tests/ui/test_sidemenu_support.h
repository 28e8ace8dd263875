#pragma once
// A side-menu form for the frame's tests: three pages of on/off switchers, a button that closes the
// form's own slot, and a log of the frame's calls.
#include <QCoreApplication>
#include <QPushButton>
#include <algorithm>
#include <string>
#include <vector>

#include "test_switcher_support.h"
#include "ui/MainWindow.h"
#include "ui/SideMenu.h"

namespace vt::test {

// A menu of three pages: "Trig" settings on pages 1 and 2, a page of absolute paths on page 3.
class TTestMenuForm : public TSideMenuForm {
public:
    TTestMenuForm(TSideMenus& menus, QWidget* mainWindow, bool leftSide, std::vector<std::string>& log)
        : TSideMenuForm(menus, mainWindow), LeftSide(leftSide), Log(log) {
        setObjectName("Test_Form");
        for (int i = 0; i < 3; ++i) {
            auto* page = new TRC_RightMenuPanel(this);
            page->setObjectName(QString("rmpPage%1").arg(i + 1));
            page->SetGroupMnemonics(i < 2 ? "Trig" : "");
            page->SetCaption(QString("Page %1").arg(i + 1));
            auto* sw = new TOnOffTestSwitcher(page);
            sw->setObjectName("swSource");
            sw->SetCaption("Source");
            sw->SetMnemonics(i < 2 ? "Source" : ":Acq:Source");
            Pages_.push_back(page);
        }
        auto* back = new QPushButton("Close", Pages_[0]);
        back->setObjectName("btClose");
        QObject::connect(back, &QPushButton::clicked, [this] { Menus().ShowSideMenu(mkNone, Side); });
    }
    void UpdateMenu() override { Log.push_back("UpdateMenu"); }
    void SetTopPanel(int page) override {
        ShowPanel(Pages_[static_cast<std::size_t>(std::clamp(page, 1, 3) - 1)]);
        TSideMenuForm::SetTopPanel(page);
    }
    void LeaveEditorPage() override {
        Log.push_back("LeaveEditor " + std::to_string(Side));
        SetTopPanel(1);
    }
    TRC_RightMenuPanel* Page(int page) const { return Pages_[static_cast<std::size_t>(page - 1)]; }
    TOnOffTestSwitcher* Switcher(int page) const {
        return dynamic_cast<TOnOffTestSwitcher*>(SwitchersOf(*Page(page)).front());
    }

    bool LeftSide;
    std::vector<std::string>& Log;

private:
    std::vector<TRC_RightMenuPanel*> Pages_;
};

inline void FlushDeletes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

}  // namespace vt::test
