// The colour combo box and the list and source switchers: the skip rule over hidden items, per-item
// colours and flags for lists of any length, the drop-down count, and the handlers' choices.
#include <gtest/gtest.h>

#include <QPainter>

#include "core/LanguageFile.h"
#include "core/SourceHandlers.h"
#include "test_values_support.h"
#include "ui/controls/ColorComboBox.h"
#include "ui/controls/ListBoxSwitcher.h"
#include "ui/controls/SourceSwitcher.h"

using namespace vt;
using namespace vt::test;

namespace {

QStringList Numbered(const char* prefix, int n) {
    QStringList items;
    for (int i = 0; i < n; ++i) items << QString("%1%2").arg(prefix).arg(i);
    return items;
}

TEST(ComboSkipRule, MovesPastHiddenItemsInTheDirectionOfTheMoveThenBack) {
    const std::vector<bool> h{false, false, true, false};
    EXPECT_EQ(SkipHiddenItems(h, 1, 2), 3);  // down from 1
    EXPECT_EQ(SkipHiddenItems(h, 3, 2), 1);  // up from 3
    EXPECT_EQ(SkipHiddenItems(h, 1, 3), 3);  // not hidden: as chosen
    EXPECT_EQ(SkipHiddenItems(h, 2, 2), 2);  // the accepted item itself stays, hidden or not
    const std::vector<bool> tail{false, false, true, true};
    EXPECT_EQ(SkipHiddenItems(tail, 0, 2), 1);  // nothing below: the other way
    EXPECT_EQ(SkipHiddenItems(tail, -1, 3), 1);
    EXPECT_EQ(SkipHiddenItems(h, 1, -1), -1);
}

TEST(ComboSkipRule, WhenEveryOtherItemIsHiddenTheAcceptedIndexStays) {
    EXPECT_EQ(SkipHiddenItems({true, false, true}, 1, 0), 1);
    EXPECT_EQ(SkipHiddenItems({true, false, true}, 1, 2), 1);
    EXPECT_EQ(SkipHiddenItems({true, true, true}, 1, 2), 1);
    // Nothing was accepted yet: nothing is selected rather than a hidden item.
    EXPECT_EQ(SkipHiddenItems({true, true}, -1, 1), -1);
}

TEST(ComboDropDown, FittedToTheItemsNotHidden) {
    EXPECT_EQ(FittedDropDownCount(8, 3), 3);
    EXPECT_EQ(FittedDropDownCount(2, 5), 2);
    EXPECT_EQ(FittedDropDownCount(8, 0), 1);
}

TEST(ColorComboBox, ColoursAndHiddenFlagsForListsOfAnyLength) {
    TColorComboBox combo;
    combo.SetItems(Numbered("I", 60));
    EXPECT_EQ(combo.height(), 22);
    combo.SetItemColors(55, TColor(0x0000FF), TColor(0x00FF00));
    EXPECT_EQ(combo.ItemTextColor(55), TColor(0x0000FF));
    EXPECT_EQ(combo.ItemBackColor(55), TColor(0x00FF00));
    EXPECT_EQ(combo.ItemTextColor(54), clWhite);
    EXPECT_EQ(combo.ItemBackColor(54), clBlack);
    combo.SetItemHidden(45, true);
    EXPECT_TRUE(combo.ItemHidden(45));
    EXPECT_EQ(combo.ItemHeight(45), 0);
    EXPECT_EQ(combo.ItemHeight(44), 16);
    // The mask reaches items 0 to 31 and leaves the later flags alone.
    combo.SetHiddenMask(0x80000001u);
    EXPECT_TRUE(combo.ItemHidden(0));
    EXPECT_TRUE(combo.ItemHidden(31));
    EXPECT_FALSE(combo.ItemHidden(1));
    EXPECT_TRUE(combo.ItemHidden(45));
    EXPECT_EQ(combo.VisibleItemCount(), 57);
    // The flags and colours move with their items when rows come and go.
    combo.insertItem(0, "new");
    EXPECT_FALSE(combo.ItemHidden(0));
    EXPECT_TRUE(combo.ItemHidden(1));
    EXPECT_EQ(combo.ItemTextColor(56), TColor(0x0000FF));
    combo.removeItem(0);
    combo.removeItem(0);
    EXPECT_EQ(combo.ItemTextColor(54), TColor(0x0000FF));
    EXPECT_FALSE(combo.ItemHidden(70));  // beyond the list: nothing, and no fault
}

TEST(ColorComboBox, SilentSelectionAndTheOwnersNotification) {
    TColorComboBox combo;
    std::vector<int> told;
    combo.SetOnChange([&](int i) { told.push_back(i); });
    combo.SetItems(Numbered("I", 5));
    combo.SetIndexSilently(1);
    EXPECT_EQ(combo.currentIndex(), 1);
    EXPECT_EQ(combo.LastAcceptedIndex(), 1);
    combo.SetItemHidden(2, true);
    combo.SetItemHidden(3, true);
    combo.setCurrentIndex(2);  // as a move by the user
    EXPECT_EQ(combo.currentIndex(), 4);
    EXPECT_EQ(told, std::vector<int>({4}));
    // Nowhere to go: the accepted item stays, and the owner hears nothing.
    combo.SetItemHidden(0, true);
    combo.SetItemHidden(1, true);
    combo.setCurrentIndex(3);
    EXPECT_EQ(combo.currentIndex(), 4);
    EXPECT_EQ(told.size(), 1u);
    combo.FitDropDownCount(8);
    EXPECT_EQ(combo.DropDownCount(), 1);
}

TEST(ColorComboBox, ItemsDrawInTheirOwnColoursHiddenAndDisabledGrey) {
    TColorComboBox combo;
    combo.SetItems({"a", "b"});
    combo.SetItemColors(0, TColor(0x0000FF), TColor(0x00FF00));
    combo.SetItemHidden(1, true);
    QImage img(20, 10, QImage::Format_RGB32);
    QPainter p(&img);
    auto backAt = [&](int index, bool focused, bool disabled) {
        combo.DrawItem(p, QRect(0, 0, 20, 10), index, focused, disabled);
        return QColor(img.pixel(19, 0));
    };
    EXPECT_EQ(backAt(0, false, false), QColor(0, 255, 0));
    EXPECT_EQ(backAt(1, false, false), QColor(0xC0, 0xC0, 0xC0));
    EXPECT_EQ(backAt(0, false, true), QColor(0xC0, 0xC0, 0xC0));
    EXPECT_EQ(backAt(0, true, false), combo.palette().color(QPalette::Active, QPalette::Highlight));
}

// ---------------------------------------------------------------------------------------------------

class ListSwitcherTest : public ::testing::Test {
protected:
    TValuesFixture f;
    std::vector<TWhoChanged> who;
    TRadioSwHandler& mode = f.Tree->Root().AddRadioHandler(
        "TB:Mode", {.Items = "A,AB,B,C", .Initial = 1, .DisabledMask = 0b0100,
                    .AfterChange = [this](THandler& h) { who.push_back(h.GetWhoChanged()); }});
    TRC_ListBoxSwitcher* sw = new TRC_ListBoxSwitcher(&f.Host);

    void SetUp() override {
        sw->SetItems({"A", "AB", "B", "C"});
        sw->SetMnemonics("TB:Mode");
    }
};

TEST_F(ListSwitcherTest, DisabledItemsAreSkippedByKeyboardMoves) {
    sw->BindToHandler(true);
    EXPECT_EQ(sw->ItemIndex(), 1);
    EXPECT_TRUE(sw->List().ItemHidden(2));
    SendKey(sw->List(), Qt::Key_Down);
    EXPECT_EQ(sw->ItemIndex(), 3);
    EXPECT_EQ(mode.GetItemIndex(), 3);
    SendKey(sw->List(), Qt::Key_Up);
    EXPECT_EQ(sw->ItemIndex(), 1);
    EXPECT_EQ(mode.GetItemIndex(), 1);
    EXPECT_EQ(who, std::vector<TWhoChanged>({wcvSwitcher, wcvSwitcher}));
    // The handler's own choices show, a disabled item included; a new mask applies at once.
    mode.SetItemIndex(2);
    EXPECT_EQ(sw->ItemIndex(), 2);
    mode.SetDisabledMask(0b1000);
    EXPECT_FALSE(sw->List().ItemHidden(2));
    EXPECT_TRUE(sw->List().ItemHidden(3));
    sw->SetItems({"a", "ab", "b", "c"});  // new texts keep the hidden items and the selection
    EXPECT_TRUE(sw->List().ItemHidden(3));
    EXPECT_EQ(sw->ItemIndex(), 2);
    mode.SetDisabled(true);
    EXPECT_FALSE(sw->List().isEnabled());
}

TEST_F(ListSwitcherTest, ItemCountMustMatchTheHandlers) {
    sw->SetItems({"A", "AB", "B"});
    EXPECT_EQ(InternalErrorOf([&] { sw->BindToHandler(true); }),
              "Incorrect Number of Items in TB:Mode\r\rHandler: 4 itms; Switcher: 3 itms");
    EXPECT_EQ(f.Beeps, 1);
}

TEST_F(ListSwitcherTest, UserChoiceNeedsAChoiceHandler) {
    f.OnOff("Ch1:Display");
    sw->SetMnemonics("Ch1:Display");
    sw->BindToHandler(true);
    sw->SetItemIndex(1);
    // The error leaves through the application's error handler, not through the toolkit's signal code.
    EXPECT_NE(DeliveredErrorOf([&] { SendKey(sw->List(), Qt::Key_Down); }).find("Handler not TRadioSwHandler"),
              std::string::npos);
    EXPECT_EQ(sw->ItemIndex(), 2);
    // An unbound control keeps its own list without a word.
    auto* loose = new TRC_ListBoxSwitcher(&f.Host);
    loose->SetItems({"x", "y"});
    EXPECT_EQ(DeliveredErrorOf([&] { SendKey(loose->List(), Qt::Key_Down); }), "");
    EXPECT_EQ(loose->ItemIndex(), 0);
}

TEST_F(ListSwitcherTest, CreationGeometryPlacementAndColoursForEveryItem) {
    EXPECT_EQ(sw->geometry(), QRect(4, 16, 103, 45));
    EXPECT_EQ(sw->List().geometry(), QRect(4, 20, 95, 22));
    EXPECT_EQ(sw->DropDownCount(), 8);
    EXPECT_EQ(sw->TextColor(), clWhite);
    EXPECT_EQ(sw->FonColor(), clBlack);
    QFocusEvent in(QEvent::FocusIn, Qt::TabFocusReason), popup(QEvent::FocusOut, Qt::PopupFocusReason);
    QCoreApplication::sendEvent(&sw->List(), &in);
    QCoreApplication::sendEvent(&sw->List(), &popup);
    EXPECT_TRUE(sw->Focused());  // focus in the list, its drop-down open
    f.Host.show();
    sw->SetWithHot(false);
    sw->resize(80, 22);
    EXPECT_EQ(sw->List().geometry(), QRect(0, 0, 80, 22));
    sw->SetItems(Numbered("I", 50));
    sw->SetTextColor(TColor(0x112233));
    sw->SetFonColor(TColor(0x445566));
    EXPECT_EQ(sw->List().ItemTextColor(49), TColor(0x112233));
    EXPECT_EQ(sw->List().ItemBackColor(45), TColor(0x445566));
    sw->SetItems(Numbered("J", 60));
    EXPECT_EQ(sw->List().ItemTextColor(59), TColor(0x112233));
}

// ---------------------------------------------------------------------------------------------------

class SourceSwitcherTest : public ::testing::Test {
protected:
    TValuesFixture f;
    std::vector<bool> on = std::vector<bool>(18, false);
    std::vector<TWhoChanged> who;
    TSignalSourceSwHandler* source = nullptr;
    TRC_SignalSourceSwitcher* sw = nullptr;

    void SetUp() override {
        TSourceSwitcherItems& items = f.Kit.SourceItems;
        items.HighestIndex = 17;
        for (int i = 0; i < 18; ++i) items.Captions[static_cast<std::size_t>(i)] = QString("Src %1").arg(i);
        items.ColorOf = [](int s) { return TColor(static_cast<std::uint32_t>(0x100 + s)); };
        items.Background = TColor(0x202020);
        f.Tree->SignalEnablity().SetSourceOnQuery([this](int s) { return on[static_cast<std::size_t>(s)]; });
        on[0] = on[3] = true;
        QStringList names = Numbered("S", 18);
        source = &f.Tree->Root().AddSignalSourceHandler(
            "Meas:Source", {.Items = names.join(',').toStdString(), .Initial = 3,
                            .AfterChange = [this](THandler& h) { who.push_back(h.GetWhoChangedRaw()); }});
        sw = new TRC_SignalSourceSwitcher(&f.Host);
        sw->SetMnemonics("Meas:Source");
        sw->BindToHandler(true);
        who.clear();
    }
};

TEST_F(SourceSwitcherTest, OffersTheEnabledSourcesInTheirColours) {
    ASSERT_EQ(sw->List().count(), 18);
    EXPECT_EQ(sw->List().itemText(5), "Src 5");
    EXPECT_EQ(sw->List().currentIndex(), 3);
    // Sources 0, 3 and the last one: three rows of the eight wanted.
    EXPECT_EQ(sw->List().VisibleItemCount(), 3);
    EXPECT_EQ(sw->DropDownCount(), 8);
    EXPECT_EQ(sw->List().DropDownCount(), 3);
    EXPECT_EQ(sw->List().ItemTextColor(4), TColor(0x104));
    EXPECT_EQ(sw->List().ItemBackColor(4), TColor(0x202020));
    EXPECT_EQ(sw->List().ItemTextColor(17), TColor(0x00FFFF));
    EXPECT_EQ(sw->List().ItemBackColor(17), TColor(0x0000FF));
}

TEST_F(SourceSwitcherTest, FollowsEnablingColoursAndHandsChoicesToTheHandler) {
    on[5] = true;
    f.Tree->SignalEnablity().Notify();
    EXPECT_FALSE(sw->List().ItemHidden(5));
    EXPECT_EQ(sw->List().DropDownCount(), 4);
    SendKey(sw->List(), Qt::Key_Down);  // from 3 past the hidden 4
    EXPECT_EQ(source->GetSource(), 5);
    ASSERT_FALSE(who.empty());
    EXPECT_EQ(who.back(), wcvSwitcher);
    source->SetSource(0);
    EXPECT_EQ(sw->List().currentIndex(), 0);
    f.Kit.SourceItems.ColorOf = {};
    source->UpdateMyColors();
    EXPECT_EQ(sw->List().ItemTextColor(4), TColor(0x025FA3));
    EXPECT_EQ(sw->List().ItemBackColor(4), TColor(0));
    EXPECT_EQ(sw->List().ItemTextColor(17), TColor(0x00FFFF));
}

TEST_F(SourceSwitcherTest, ListsFilledBeforeTheKitHadItsSourcesAreFilledAgain) {
    auto* early = new TRC_SignalSourceSwitcher(&f.Host);
    early->SetKit(nullptr);
    TKitContext empty{[](std::string_view) { return nullptr; }};
    early->SetKit(&empty);
    early->FillItems();
    EXPECT_EQ(early->List().count(), 0);  // no sources yet: nothing
    early->SetKit(&f.Kit);
    early->SetMnemonics("Meas:Source");
    early->BindToHandler(true);
    EXPECT_EQ(early->List().count(), 18);
    EXPECT_EQ(early->List().currentIndex(), 3);
    early->SetDropDownCount(1000);
    EXPECT_EQ(early->DropDownCount(), 255);
}

}  // namespace

namespace {

TEST_F(ListSwitcherTest, ItemsGoToTheLanguageFileAsCommaText) {
    TLangIniFile file;
    sw->WriteLangTexts(TFormTextSink{file, "TB_Form"}, "Menu Panel rmpMain.lbswMode");
    std::string raw, value;
    ASSERT_TRUE(file.FindRaw("TB_Form", "Menu Panel rmpMain.lbswMode.Items", raw, false));
    ASSERT_TRUE(ReadLangValue(raw, value));
    EXPECT_EQ(value, "A,AB,B,C");
}

}  // namespace
