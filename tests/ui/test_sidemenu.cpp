// The side-menu frame: the slot state, opening and freeing forms in the two slots, remembered pages,
// the mask editor's exit, the slot places from the main window, and the walk that checks that every
// registered form binds all its switchers.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QPushButton>
#include <QResizeEvent>
#include <QTest>

#include "UiTestSupport.h"
#include "core/Shell.h"
#include "test_sidemenu_support.h"
#include "ui/MainMenuButton.h"
#include "ui/MainWindow.h"
#include "ui/SideMenu.h"

using namespace vt;
using namespace vt::test;

namespace {

class SideMenuTest : public ::testing::Test {
protected:
    SideMenuTest() {
        for (int kind : {mkChannels, mkTimebase, mkMask})
            menus.RegisterForm(kind, [this](TSideMenus& m, QWidget* parent, bool left) -> TSideMenuForm* {
                return new TTestMenuForm(m, parent, left, log);
            });
        mainWindow.resize(800, 600);
    }
    ~SideMenuTest() override { FlushDeletes(); }
    TTestMenuForm* Form(int side) const { return dynamic_cast<TTestMenuForm*>(menus.Form(side)); }

    TKitFixture f;
    TOnOffHandler& source = f.OnOff("Trig:Source");
    TOnOffHandler& acqSource = f.OnOff("Acq:Source");
    QWidget mainWindow;
    std::vector<std::string> log;
    TSideMenus menus{f.Kit, &mainWindow};
};

TEST(SideMenuSlots, StartClosedAndRefuseKindsAndSidesOutOfRange) {
    TSideMenuSlots state;
    for (int side : {0, 1}) EXPECT_EQ(state.Kind(side), mkNone);
    EXPECT_EQ(state.RememberedPage(1, mkSimGenerator), 0);
    state.SetKind(1, mkMarkers);
    state.SetRememberedPage(1, mkMarkers, 2);
    EXPECT_TRUE(state.IsMenuKindOnSide1(mkMarkers));
    EXPECT_FALSE(state.IsMenuKindOnSide0(mkMarkers));
    EXPECT_TRUE(state.IsMenuKindShown(mkMarkers));
    EXPECT_TRUE(state.IsMenuPageOnSide1(mkMarkers, 2));
    EXPECT_FALSE(state.IsMenuPageOnSide0(mkMarkers, 2));
    EXPECT_FALSE(state.IsMenuPageOnSide1(mkMarkers, 1));
    EXPECT_THROW(state.SetKind(2, mkChannels), EInternalError);
    EXPECT_THROW(state.SetKind(0, MenuKindCount), EInternalError);
    EXPECT_THROW(state.RememberedPage(0, -1), EInternalError);
    EXPECT_THROW(state.SetRememberedPage(0, mkChannels, 256), EInternalError);
}

TEST_F(SideMenuTest, OpeningBindsShowsTheRememberedPageAndClosingFreesAtOnce) {
    menus.ShowSideMenu(mkTimebase, RightSide);
    TTestMenuForm* form = Form(RightSide);
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->parentWidget(), &mainWindow);
    EXPECT_FALSE(form->isWindow());
    EXPECT_EQ(form->MenuKind, mkTimebase);
    EXPECT_EQ(log, std::vector<std::string>{"UpdateMenu"});
    EXPECT_EQ(source.SwitcherCount(), 2);
    EXPECT_EQ(acqSource.SwitcherCount(), 1);
    EXPECT_EQ(form->CurrentPanel, form->Page(1));  // remembered page 0 shows the first page
    EXPECT_EQ(form->Page(1)->geometry(), QRect(0, 0, SideMenuPageWidth, SideMenuPageHeight));
    form->SetTopPanel(3);
    EXPECT_TRUE(menus.Slots().IsMenuPageOnSide0(mkTimebase, 3));

    QPointer<TSideMenuForm> old = form;
    menus.ShowSideMenu(mkNone, RightSide);
    EXPECT_EQ(menus.Form(RightSide), nullptr);
    EXPECT_EQ(source.SwitcherCount(), 0) << "a replaced form lets go of its handlers at once";
    EXPECT_EQ(acqSource.SwitcherCount(), 0);
    EXPECT_FALSE(old->isVisible());
    FlushDeletes();
    EXPECT_TRUE(old.isNull());
    EXPECT_EQ(menus.Slots().Kind(RightSide), mkNone);

    menus.ShowSideMenu(mkTimebase, RightSide);
    EXPECT_EQ(Form(RightSide)->CurrentPanel, Form(RightSide)->Page(3));
    EXPECT_EQ(Form(RightSide)->CurrentPage, 3);
}

TEST_F(SideMenuTest, BothSlotsHoldIndependentFormsOfOneKind) {
    menus.ShowSideMenu(mkTimebase, RightSide);
    menus.ShowSideMenu(mkTimebase, LeftSide);
    ASSERT_NE(Form(LeftSide), Form(RightSide));
    EXPECT_EQ(Form(RightSide)->objectName(), "Test_Form");
    EXPECT_EQ(Form(LeftSide)->objectName(), "Test_Form_1");
    EXPECT_TRUE(Form(LeftSide)->LeftSide);
    EXPECT_FALSE(Form(RightSide)->LeftSide);
    Form(LeftSide)->SetTopPanel(2);
    EXPECT_TRUE(menus.Slots().IsMenuPageOnSide1(mkTimebase, 2));
    EXPECT_TRUE(menus.Slots().IsMenuPageOnSide0(mkTimebase, 0));
    // A change reaches the controls of both forms.
    source.SetOn(true);
    EXPECT_TRUE(Form(LeftSide)->Switcher(1)->ShownOn);
    EXPECT_TRUE(Form(RightSide)->Switcher(2)->ShownOn);
    // Reopening the same kind binds the new form's controls once each.
    menus.ShowSideMenu(mkTimebase, LeftSide);
    EXPECT_EQ(source.SwitcherCount(), 4);
    EXPECT_EQ(Form(LeftSide)->CurrentPanel, Form(LeftSide)->Page(2));
}

TEST_F(SideMenuTest, ReservedServiceKindAndClosingLeaveTheSlotEmptyButRecordTheKind) {
    EXPECT_THROW(menus.RegisterForm(mkService, [](TSideMenus&, QWidget*, bool) { return nullptr; }),
                 EInternalError);
    EXPECT_THROW(menus.RegisterForm(mkNone, [](TSideMenus&, QWidget*, bool) { return nullptr; }), EInternalError);
    menus.ShowSideMenu(mkTimebase, LeftSide);
    menus.ShowSideMenu(mkService, LeftSide);
    EXPECT_EQ(menus.Form(LeftSide), nullptr);
    EXPECT_TRUE(menus.Slots().IsMenuKindOnSide1(mkService));
    EXPECT_EQ(source.SwitcherCount(), 0);
    // A feature that registered no form behaves the same.
    menus.ShowSideMenu(mkDisplay, LeftSide);
    EXPECT_EQ(menus.Form(LeftSide), nullptr);
    EXPECT_TRUE(menus.Slots().IsMenuKindOnSide1(mkDisplay));
    EXPECT_THROW(menus.ShowSideMenu(MenuKindCount, LeftSide), EInternalError);
    EXPECT_THROW(menus.ShowSideMenu(mkChannels, 2), EInternalError);
}

TEST_F(SideMenuTest, AFormThatFailsToTranslateLeavesNothingBehind) {
    menus.ShowSideMenu(mkTimebase, RightSide);
    menus.SetTranslate([](TLanguageForm&) { throw std::runtime_error("bad language file"); });
    EXPECT_THROW(menus.ShowSideMenu(mkTimebase, RightSide), std::runtime_error);
    EXPECT_EQ(menus.Form(RightSide), nullptr);
    FlushDeletes();
    EXPECT_TRUE(mainWindow.findChildren<QWidget*>(Qt::FindDirectChildrenOnly).isEmpty());
    EXPECT_EQ(source.SwitcherCount(), 0);
}

TEST_F(SideMenuTest, MaskEditorIsLeftBeforeAnyMenuChanges) {
    menus.ShowSideMenu(mkMask, LeftSide);
    Form(LeftSide)->SetTopPanel(MaskEditorPage);
    menus.ShowSideMenu(mkTimebase, RightSide);
    EXPECT_EQ(log, (std::vector<std::string>{"UpdateMenu", "LeaveEditor 1", "UpdateMenu"}));
    EXPECT_TRUE(menus.Slots().IsMenuPageOnSide1(mkMask, 1));
    // Not on the editor page: nothing to leave.
    menus.ShowSideMenu(mkTimebase, RightSide);
    EXPECT_EQ(log.size(), 4u);
}

TEST_F(SideMenuTest, ResetMenuPageTurnsShownFormsAndRemembersForTheOthers) {
    menus.ShowSideMenu(mkTimebase, RightSide);
    Form(RightSide)->SetTopPanel(3);
    menus.Slots().SetRememberedPage(LeftSide, mkTimebase, 2);
    menus.ResetMenuPage(mkTimebase);
    EXPECT_EQ(Form(RightSide)->CurrentPanel, Form(RightSide)->Page(1));
    EXPECT_EQ(menus.Slots().RememberedPage(RightSide, mkTimebase), 1);
    EXPECT_EQ(menus.Slots().RememberedPage(LeftSide, mkTimebase), 1);
    menus.ResetMenuPage(mkMarkers);
    EXPECT_EQ(menus.Slots().RememberedPage(RightSide, mkMarkers), 1);
    EXPECT_EQ(menus.Slots().RememberedPage(LeftSide, mkMarkers), 1);
    EXPECT_EQ(menus.Slots().Kind(RightSide), mkTimebase);
}

TEST_F(SideMenuTest, SlotPlacesAndVisibilityApplyToTheForms) {
    menus.Dimensions(LeftSide).SetPlace({.Left = 5, .Top = 30, .Width = 111, .Height = 460, .Visible = false});
    menus.ShowSideMenu(mkChannels, LeftSide);
    TTestMenuForm* left = Form(LeftSide);
    ASSERT_NE(left, nullptr);
    EXPECT_EQ(left->geometry(), QRect(5, 30, 111, 460));
    EXPECT_TRUE(left->isHidden()) << "a narrow window hides the left slot; its form still exists";
    menus.Dimensions(LeftSide).SetVisible(true);
    EXPECT_FALSE(left->isHidden());
    menus.Dimensions(LeftSide).SetLeft(9);
    EXPECT_EQ(left->x(), 9);
    menus.SetSideMenusVisible(false);
    EXPECT_TRUE(left->isHidden());
    menus.ShowSideMenu(mkTimebase, RightSide);
    EXPECT_TRUE(Form(RightSide)->isHidden());
    menus.SetSideMenusVisible(true);
    EXPECT_FALSE(left->isHidden());
    EXPECT_FALSE(Form(RightSide)->isHidden());
}

TEST_F(SideMenuTest, AFormMayCloseItsOwnSlotFromItsOwnEvent) {
    menus.ShowSideMenu(mkTimebase, RightSide);
    mainWindow.show();
    auto* close = Form(RightSide)->findChild<QPushButton*>("btClose");
    ASSERT_NE(close, nullptr);
    QPointer<TSideMenuForm> closed = menus.Form(RightSide);
    QTest::mouseClick(close, Qt::LeftButton);
    EXPECT_EQ(menus.Form(RightSide), nullptr);
    // The replaced form may still turn its page while its event ends: the slot stays closed.
    closed->SetTopPanel(2);
    EXPECT_EQ(menus.Slots().Kind(RightSide), mkNone);
    EXPECT_EQ(menus.Slots().RememberedPage(RightSide, mkTimebase), 0);
    FlushDeletes();
    EXPECT_EQ(source.SwitcherCount(), 0);
}

TEST_F(SideMenuTest, EveryRegisteredFormBindsAllItsSwitchers) {
    for (int kind = 0; kind < MenuKindCount; ++kind) {
        if (!menus.HasForm(kind)) continue;
        std::unique_ptr<TSideMenuForm> form(menus.CreateDetachedForm(kind));
        form->OpenMenu(RightSide, kind);
        EXPECT_TRUE(UnboundSwitchersOf(*form).empty()) << "kind " << kind;
    }
    // The walk names a control whose setting does not exist.
    std::unique_ptr<TTestMenuForm> broken(dynamic_cast<TTestMenuForm*>(menus.CreateDetachedForm(mkTimebase)));
    broken->Page(2)->SetGroupMnemonics("Nope");
    broken->OpenMenu(RightSide, mkTimebase);
    EXPECT_EQ(UnboundSwitchersOf(*broken), std::vector<std::string>{"rmpPage2/Source: Nope:Source"});
}

// A main window of the tests with the side menus in it, its timebase and channel forms the test's.
class SideMenuMainWindow : public ::testing::Test {
protected:
    SideMenuMainWindow() {
        w.SetSideMenus(&menus);
        for (int kind : {mkTimebase, mkChannels})
            menus.RegisterForm(kind, [this](TSideMenus& m, QWidget* parent, bool left) -> TSideMenuForm* {
                return new TTestMenuForm(m, parent, left, log);
            });
    }
    ~SideMenuMainWindow() override { FlushDeletes(); }
    void resize(int width, int height) {
        const QSize old = w.size();
        w.resize(width, height);
        QResizeEvent event(w.size(), old);
        QApplication::sendEvent(&w, &event);
    }

    TShell shell;
    TRecordingLife rec{shell};
    TScriptedDialogs dialogs;
    TKitFixture f;
    test::TTestWindow w{shell, rec, dialogs};
    TSideMenus menus{f.Kit, &w};
    std::vector<std::string> log;
};

TEST_F(SideMenuMainWindow, SlotPlacesFollowTheMainWindowsResize) {
    resize(1000, 700);
    menus.ShowSideMenu(mkTimebase, LeftSide);
    ASSERT_NE(menus.Form(LeftSide), nullptr);
    const TPlace& slot = w.Layout().LeftSlot;
    EXPECT_EQ(menus.Form(LeftSide)->geometry(), QRect(slot.Left, slot.Top, slot.Width, slot.Height));
    resize(1200, 800);
    const TPlace& moved = w.Layout().RightSlot;
    menus.ShowSideMenu(mkTimebase, RightSide);
    EXPECT_EQ(menus.Form(RightSide)->geometry(), QRect(moved.Left, moved.Top, moved.Width, moved.Height));
    EXPECT_EQ(menus.Form(LeftSide)->geometry().height(), w.Layout().LeftSlot.Height);
}

// Columns of a main-menu button that hold its caption's dark pixels (first, last).
std::pair<int, int> CaptionInk(QWidget& button) {
    QImage image(button.size(), QImage::Format_ARGB32);
    button.render(&image);
    int first = -1, last = -1;
    for (int x = 2; x < button.width() - 2; ++x)
        for (int y = 2; y < button.height() - 2; ++y)
            if (qGray(image.pixel(x, y)) < 96) {
                if (first < 0) first = x;
                last = x;
                break;
            }
    return {first, last};
}

TEST_F(SideMenuMainWindow, SmallAndDefaultWindowsKeepEveryControlWholeAndASideMenuScrolls) {
    const QWidget* system = w.findChild<QPushButton*>("btnInstruments");
    ASSERT_NE(system, nullptr);
    for (QSize size : {QSize(792, 575), QSize(640, 480), QSize(792, 500)}) {
        resize(size.width(), size.height());
        const std::string at = std::to_string(size.width()) + " x " + std::to_string(size.height());
        // Every main-menu button inside the window, its caption clear of both frame edges.
        const QList<TButtonOfMainMenu*> buttons = w.MainMenuPanel().findChildren<TButtonOfMainMenu*>();
        ASSERT_EQ(buttons.size(), MainMenuButtonCount + 1);
        for (TButtonOfMainMenu* b : buttons) {
            const QRect r(b->mapTo(&w, QPoint(0, 0)), b->size());
            EXPECT_LE(r.right(), size.width() - 1) << at << " " << b->Caption().toStdString();
            if (b->Caption().isEmpty()) continue;
            const auto [first, last] = CaptionInk(*b);
            EXPECT_GE(first, CaptionMargin) << at << " " << b->Caption().toStdString();
            EXPECT_LE(last, b->width() - 1 - CaptionMargin) << at << " " << b->Caption().toStdString();
        }
        // Help, the strip's last button, whole inside the window.
        auto* help = w.SystemControls().findChild<QWidget*>("mcsHelp");
        ASSERT_NE(help, nullptr);
        EXPECT_LE(help->mapTo(&w, QPoint(help->width() - 1, 0)).x(), size.width() - 1) << at;
        // No caption covers the System button.
        for (int side : {LeftSide, RightSide})
            EXPECT_FALSE(w.SideCaptionPanel(side).geometry().intersects(system->geometry())) << at << " side " << side;
    }
    // At 640 x 480 the left slot is lower than a page: the menu scrolls down to its page's last pixel.
    resize(640, 480);
    menus.ShowSideMenu(mkChannels, LeftSide);
    TSideMenuForm* form = menus.Form(LeftSide);
    ASSERT_NE(form, nullptr);
    EXPECT_GE(form->y(), w.SideCaptionPanel(LeftSide).geometry().bottom() + 1);
    EXPECT_LE(form->geometry().bottom(), w.MainMenuPanel().geometry().top() - 1);
    ASSERT_LT(form->height(), SideMenuPageHeight);
    ASSERT_NE(form->ScrollBar(), nullptr);
    EXPECT_FALSE(form->ScrollBar()->isHidden());
    EXPECT_LE(form->geometry().right(), w.Layout().DisplayArea.Left - 1) << "the bar stays off the display";
    form->ScrollBar()->setValue(form->ScrollBar()->maximum());
    EXPECT_EQ(form->CurrentPanel->geometry().bottom(), form->height() - 1);
    // Back at the default size the page stands whole again.
    resize(792, 575);
    EXPECT_EQ(form->height(), SideMenuPageHeight);
    EXPECT_TRUE(form->ScrollBar()->isHidden());
    EXPECT_EQ(form->CurrentPanel->y(), 0);
}

}  // namespace
