// Button grids: layout, column clamp, help numbering of the children, and the round trip of a click
// through the handler for the radio, on/off and check switchers, with the mismatch assertions.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFocusEvent>
#include <QTest>

#include "test_switcher_support.h"
#include "core/LanguageFile.h"
#include "ui/controls/ButtonSwitchers.h"

using namespace vt;
using namespace vt::test;

namespace {

TEST(ButtonGrid, FillsColumnByColumnAndCentresTheRemainder) {
    // 101 x 50 with 3 columns and 7 children: 3 rows of 16, one pixel left over above, column width 32
    // and one pixel of horizontal margin.
    const std::vector<QRect> r = LayoutButtonGrid(QRect(10, 20, 101, 50), 3, 7);
    ASSERT_EQ(r.size(), 7u);
    EXPECT_EQ(r[0], QRect(11, 21, 32, 16));
    EXPECT_EQ(r[2], QRect(11, 53, 32, 16));
    EXPECT_EQ(r[4], QRect(43, 37, 32, 16));
    EXPECT_EQ(r[6], QRect(75, 21, 32, 16));
    EXPECT_TRUE(LayoutButtonGrid(QRect(0, 0, 100, 40), 2, 0).empty());
    // Columns out of range lay out as the clamp says.
    EXPECT_EQ(LayoutButtonGrid(QRect(0, 0, 100, 40), 0, 2)[1], QRect(0, 20, 96, 20));
    EXPECT_EQ(ClampButtonColumns(0), 1);
    EXPECT_EQ(ClampButtonColumns(20), 16);
    EXPECT_EQ(ClampButtonColumns(16), 16);
}

TEST(ButtonGrid, HelpNumbersFollowTheCaptionMarkers) {
    TChildHelp h = NumberChildHelp(100, {"A", "~B", "_250C", "D"});
    EXPECT_EQ(h.Contexts, (std::vector<int>{101, 101, 250, 251}));
    EXPECT_EQ(h.Captions, (QStringList{"A", "B", "C", "D"}));
    // A "_" without digits keeps the running number; "_" between digits is skipped; "*" steps on.
    h = NumberChildHelp(10, {"_X", "_1_2Y", "**Z", "~~*W"});
    EXPECT_EQ(h.Contexts, (std::vector<int>{11, 12, 15, 15}));
    EXPECT_EQ(h.Captions, (QStringList{"X", "Y", "Z", "W"}));
}

TEST(ButtonGrid, MaskBitsStopAtThirtyTwo) {
    EXPECT_TRUE(MaskBit(0x80000000U, 31));
    EXPECT_FALSE(MaskBit(0xFFFFFFFFU, 32));
    EXPECT_FALSE(MaskBit(0xFFFFFFFFU, -1));
}

class ButtonSwitcherTest : public ::testing::Test {
protected:
    TKitFixture f;
    TKitHostWidget host{f.Kit};
    TRC_RightMenuPanel* page = new TRC_RightMenuPanel(&host);
    std::vector<TWhoChanged> who;

    void SetUp() override {
        page->SetGroupMnemonics("Trig");
        host.resize(200, 500);
        page->show();
        host.show();
    }
    template <class T>
    T* Add(std::string_view mnemonic, const QStringList& items = {}) {
        auto* sw = new T(page);
        sw->SetMnemonics(mnemonic);
        if (!items.isEmpty()) sw->SetItems(items);
        sw->show();
        return sw;
    }
    THandlerCallback RecordWho() {
        return [this](THandler& h) { who.push_back(h.GetWhoChanged()); };
    }
};

TEST_F(ButtonSwitcherTest, RadioGridOfTwoColumnsLaysOutThreeRows) {
    auto* sw = Add<TRC_RadioSwitcher>("Mode", {"A", "B", "C", "D", "E"});
    sw->SetColumns(2);
    ASSERT_EQ(sw->size(), QSize(103, 65));
    ASSERT_EQ(sw->ButtonCount(), 5);
    // Content 99 x 45 below the title: columns of 47 one pixel in, rows of 15.
    EXPECT_EQ(sw->Button(0).geometry(), QRect(3, 18, 47, 15));
    EXPECT_EQ(sw->Button(2).geometry(), QRect(3, 48, 47, 15));
    EXPECT_EQ(sw->Button(3).geometry(), QRect(50, 18, 47, 15));
    EXPECT_EQ(sw->Button(4).geometry(), QRect(50, 33, 47, 15));
    sw->SetColumns(0);
    EXPECT_EQ(sw->Columns(), 1);
    EXPECT_EQ(sw->Button(4).geometry(), QRect(2, 54, 95, 9));
    sw->SetColumns(20);
    EXPECT_EQ(sw->Columns(), 16);
    // Fewer items free the surplus children from the end; none leaves no child.
    sw->SetItems({"A", "B"});
    EXPECT_EQ(sw->ButtonCount(), 2);
    EXPECT_EQ(sw->Button(1).Caption(), "B");
    sw->SetItems({});
    EXPECT_EQ(sw->ButtonCount(), 0);
}

TEST_F(ButtonSwitcherTest, HelpSeparateNumbersTheChildrenAndStripsTheMarkers) {
    auto* sw = Add<TRC_RadioSwitcher>("Mode", {"A", "~B", "_250C", "D"});
    sw->SetHelpContext(100);
    sw->SetHelpSeparate(true);
    EXPECT_EQ(sw->Button(1).HelpContext(), 101);
    EXPECT_EQ(sw->Button(2).HelpContext(), 250);
    EXPECT_EQ(sw->Button(3).HelpContext(), 251);
    EXPECT_EQ(sw->Button(2).Caption(), "C");
    EXPECT_EQ(sw->Items()[2], "_250C");  // the items keep what the form gave
}

TEST_F(ButtonSwitcherTest, RadioClickGoesToTheHandlerWhichMaySayNo) {
    auto& h = f.Tree->Root().AddRadioHandler("Trig:Mode", {.Items = "Auto,Norm,Single", .BeforeChange = RecordWho()});
    auto* sw = Add<TRC_RadioSwitcher>("Mode", {"Auto", "Norm", "Single"});
    BindSwitchersOf(*page);
    EXPECT_EQ(sw->ItemIndex(), 0);
    EXPECT_TRUE(sw->Button(0).Checked());

    QTest::mouseClick(&sw->Button(2), Qt::LeftButton);
    EXPECT_EQ(h.GetItemIndex(), 2);
    EXPECT_EQ(who, std::vector<TWhoChanged>{wcvSwitcher});
    EXPECT_TRUE(sw->Button(2).Checked());
    EXPECT_FALSE(sw->Button(0).Checked());

    // A handler that puts its value back: its notification shows the old value again.
    h.SetOnAfterChange([&](THandler&) {
        if (h.GetWhoChanged() == wcvSwitcher) h.SetItemIndex(2);
    });
    QTest::mouseClick(&sw->Button(1), Qt::LeftButton);
    EXPECT_EQ(h.GetItemIndex(), 2);
    EXPECT_EQ(sw->ItemIndex(), 2);
    EXPECT_TRUE(sw->Button(2).Checked());
    EXPECT_FALSE(sw->Button(1).Checked());

    // Disabled items come from the handler and take no clicks.
    h.SetDisabledMask(0b001);
    EXPECT_FALSE(sw->Button(0).isEnabled());
    EXPECT_TRUE(sw->Button(1).isEnabled());
    QTest::mouseClick(&sw->Button(0), Qt::LeftButton);
    EXPECT_EQ(h.GetItemIndex(), 2);
    EXPECT_FALSE(sw->Button(0).Checked());
    // A disabled handler disables the whole control, children included.
    h.SetDisabled(true);
    EXPECT_FALSE(sw->Button(1).isEnabled());
    h.SetDisabled(false);
    EXPECT_TRUE(sw->Button(1).isEnabled());
    // A Space press whose button loses the focus is no click when its release arrives later.
    who.clear();
    QTest::keyPress(&sw->Button(1), Qt::Key_Space);
    QFocusEvent out(QEvent::FocusOut);
    QCoreApplication::sendEvent(&sw->Button(1), &out);
    QTest::keyRelease(&sw->Button(1), Qt::Key_Space);
    EXPECT_TRUE(who.empty());
    QTest::keyClick(&sw->Button(1), Qt::Key_Space);
    ASSERT_FALSE(who.empty());
    EXPECT_EQ(who.front(), wcvSwitcher);
}

TEST_F(ButtonSwitcherTest, OnOffSwitchShowsTheHandlerAndHandsClicksOver) {
    auto& h = f.Tree->Root().AddOnOffHandler("Trig:Hold", {.Initial = true, .BeforeChange = RecordWho()});
    auto* sw = Add<TRC_OnOffSwitch>("Hold");
    EXPECT_EQ(sw->height(), 37);
    EXPECT_EQ(sw->Columns(), 2);
    BindSwitchersOf(*page);
    EXPECT_EQ(sw->ItemIndex(), 0);
    EXPECT_EQ(sw->Button(0).Caption(), "On");
    QTest::mouseClick(&sw->Button(1), Qt::LeftButton);
    EXPECT_FALSE(h.GetOn());
    EXPECT_EQ(who, std::vector<TWhoChanged>{wcvSwitcher});
    h.SetOn(true);
    EXPECT_EQ(sw->ItemIndex(), 0);
    EXPECT_TRUE(sw->Button(0).Checked());
    EXPECT_FALSE(sw->Button(1).Checked());
}

TEST_F(ButtonSwitcherTest, CheckSwitcherSetsOneBitAndKeepsTheClickedChildAsTabStop) {
    auto& h = f.Tree->Root().AddCheckHandler("Trig:Set", {.Items = "A,B,C", .InitialMask = 0b100});
    auto* sw = Add<TRC_CheckSwitcher>("Set", {"A", "B", "C"});
    BindSwitchersOf(*page);
    EXPECT_EQ(sw->CheckedMask(), 0b100u);
    EXPECT_TRUE(sw->Button(2).Checked());
    EXPECT_EQ(sw->TabChild(), 0);

    QTest::mouseClick(&sw->Button(1), Qt::LeftButton);
    EXPECT_EQ(h.GetMask(), 0b110u);
    EXPECT_EQ(h.LastChangedItem(), 1);
    EXPECT_EQ(sw->TabChild(), 1);
    EXPECT_EQ(sw->Button(1).focusPolicy(), Qt::StrongFocus);
    EXPECT_EQ(sw->Button(0).focusPolicy(), Qt::ClickFocus);

    QTest::mouseClick(&sw->Button(2), Qt::LeftButton);
    EXPECT_EQ(h.GetMask(), 0b010u);
    EXPECT_FALSE(sw->Button(2).Checked());

    // Refused: the after-change step clears the bit again.
    h.SetOnAfterChange([&](THandler&) {
        if (h.GetWhoChanged() == wcvSwitcher) h.SetMask(h.GetMask() & ~1U);
    });
    QTest::mouseClick(&sw->Button(0), Qt::LeftButton);
    EXPECT_EQ(h.GetMask(), 0b010u);
    EXPECT_FALSE(sw->Button(0).Checked());
    EXPECT_EQ(sw->CheckedMask(), 0b010u);

    // Disabling the clicked child moves the tab stop to the first enabled one.
    h.SetDisabledMask(0b011);
    EXPECT_EQ(sw->TabChild(), 2);
    h.SetDisabledMask(0b111);
    EXPECT_EQ(sw->TabChild(), -1);
}

TEST_F(ButtonSwitcherTest, OnOffCheckBoxFollowsTheHandler) {
    auto& h = f.Tree->Root().AddOnOffHandler("Trig:Lock", {});
    auto* sw = Add<TRC_OnOffCheckSwitcher>("Lock");
    EXPECT_EQ(sw->size(), QSize(21, 18));
    EXPECT_FALSE(sw->WithHot());
    EXPECT_EQ(sw->ButtomsCaption(), "  On");
    sw->SetButtomsCaption("Lock");
    EXPECT_EQ(sw->Items(), QStringList{"Lock"});
    BindSwitchersOf(*page);
    sw->Button(0).Click();
    EXPECT_TRUE(h.GetOn());
    EXPECT_TRUE(sw->Button(0).Checked());
    h.SetOn(false);
    EXPECT_EQ(sw->CheckedMask(), 0u);
    EXPECT_FALSE(sw->Button(0).Checked());
}

TEST_F(ButtonSwitcherTest, MismatchesWithTheHandlerAreInternalErrors) {
    f.Tree->Root().AddRadioHandler("Trig:Mode", {.Items = "A,B,C"});
    f.Tree->Root().AddCheckHandler("Trig:Set", {.Items = "A,B"});
    f.OnOff("Trig:Hold");

    auto* radio = Add<TRC_RadioSwitcher>("Mode", {"A", "B"});
    EXPECT_EQ(InternalErrorOf([&] { radio->BindToHandler(true); }),
              "Incorrect Number of Buttons in Trig:Mode\r\rHandler: 3 btns; Switcher: 2 btns");
    auto* check = Add<TRC_CheckSwitcher>("Set", {"A", "B", "C"});
    EXPECT_EQ(InternalErrorOf([&] { check->BindToHandler(true); }),
              "Incorrect Number of Buttons in Trig:Set\r\rHandler: 2 btns; Switcher: 3 btns");
    auto* wrongRadio = Add<TRC_RadioSwitcher>("Hold", {"On", "Off"});
    EXPECT_EQ(InternalErrorOf([&] { wrongRadio->BindToHandler(true); }), "Handler not TRadioSwHandler");
    auto* wrongCheck = Add<TRC_CheckSwitcher>("Hold", {"On"});
    EXPECT_EQ(InternalErrorOf([&] { wrongCheck->BindToHandler(true); }), "Handler not TCheckSwHandler");

    // The on/off controls check their handler only when a click reaches it.
    auto* onOff = Add<TRC_OnOffSwitch>("Mode");
    onOff->BindToHandler(true);
    EXPECT_EQ(InternalErrorOf([&] { onOff->Button(1).Click(); }), "Handler not TOnOffHandler");
    auto* onOffCheck = Add<TRC_OnOffCheckSwitcher>("Set");
    onOffCheck->BindToHandler(true);
    EXPECT_EQ(InternalErrorOf([&] { onOffCheck->Button(0).Click(); }), "Handler not TOnOffHandler");
}

TEST_F(ButtonSwitcherTest, RebuildingTheChildrenSendsNothingToTheHandler) {
    auto& h = f.Tree->Root().AddRadioHandler("Trig:Mode", {.Items = "A,B", .Initial = 1, .BeforeChange = RecordWho()});
    auto* sw = Add<TRC_RadioSwitcher>("Mode", {"A", "B"});
    BindSwitchersOf(*page);
    sw->SetItems({"X", "Y"});
    sw->SetViewAsButton(true);
    EXPECT_TRUE(sw->Button(0).PushLike());
    EXPECT_TRUE(sw->Button(1).Checked());
    EXPECT_EQ(h.GetItemIndex(), 1);
    EXPECT_TRUE(who.empty());
    // The clamp of the shown index.
    sw->SetItemIndex(7);
    EXPECT_EQ(sw->ItemIndex(), 1);
    sw->SetItemIndex(-5);
    EXPECT_EQ(sw->ItemIndex(), -1);
    EXPECT_FALSE(sw->Button(1).Checked());
}

}  // namespace

namespace {

TEST_F(ButtonSwitcherTest, FocusOnAChildIsFocusOnTheControl) {
    auto* sw = Add<TRC_CheckSwitcher>("Set", {"A", "B"});
    QFocusEvent in(QEvent::FocusIn, Qt::TabFocusReason);
    QCoreApplication::sendEvent(&sw->Button(1), &in);
    EXPECT_TRUE(sw->Focused());
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QCoreApplication::sendEvent(&sw->Button(1), &out);
    EXPECT_FALSE(sw->Focused());
}

TEST_F(ButtonSwitcherTest, ItemsGoToTheLanguageFileAsCommaText) {
    auto* sw = Add<TRC_RadioSwitcher>("Mode", {"Auto", "Norm", "Single"});
    TLangIniFile file;
    sw->WriteLangTexts(TFormTextSink{file, "Trig_Form"}, "Menu Panel rmpMain.rswMode");
    std::string raw, value;
    ASSERT_TRUE(file.FindRaw("Trig_Form", "Menu Panel rmpMain.rswMode.Items", raw, false));
    ASSERT_TRUE(ReadLangValue(raw, value));
    EXPECT_EQ(value, "Auto,Norm,Single");
}

}  // namespace
