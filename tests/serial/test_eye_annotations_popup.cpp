#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "EyeTestSupport.h"
#include "core/LanguageState.h"
#include "display/BottomReadoutStrip.h"

using namespace vt;
using namespace vt::test;

namespace {

constexpr int XNrzEyeWidth = 7;

TEyeStripRows& RowsOf(TEyeRig& rig) { return static_cast<TScopeSerialServices&>(rig.Shell.Serial()).EyeRows(); }

// What a test reads of one popup item.
struct TItem {
    std::string Command;
    bool Checked;
    bool Enabled;
    bool operator==(const TItem&) const = default;
};
std::ostream& operator<<(std::ostream& os, const TItem& i) {
    return os << i.Command << (i.Checked ? " checked" : "") << (i.Enabled ? "" : " disabled");
}

std::vector<TItem> Items(const TStripMenu& menu) {
    std::vector<TItem> items;
    for (const TStripMenuItem& i : menu)
        if (!i.Separator) items.push_back({i.Command, i.Checked, i.Enabled});
    return items;
}

// The model's rows in the order of the menu: AllVisible, Annot, DelAnnot, DefParam, DelDefParam, Remove, RemoveAll.
std::vector<TItem> Expected(bool thisShown, bool anyShown, bool window) {
    return {{"AllVisible", window && thisShown, true},   {"Annot", thisShown, !thisShown},
            {"DelAnnot", false, anyShown},               {"DefParam", window, !window},
            {"DelDefParam", false, window},              {"Remove", false, true},
            {"RemoveAll", false, true}};
}

}  // namespace

// The clean NRZ eye (levels +-0.25 V, crossings at columns 1000 and 3000, ramps of 400 columns): the
// band of 17 rows at the crossing holds 11 columns of each edge, a deviation of sqrt(10) columns, so
// the eye opens from 1000 + 3 sqrt(10) to 3000 - 3 sqrt(10) at the crossing level, 0 V = row 512.
TEST(EyeAnnotations, ShownSlotFollowsValuesRemovalsLanguageAndMode) {
    TEyeRig rig;
    TEyeMeasurement& eye = rig.Eye();
    TEyeStripRows& rows = RowsOf(rig);
    rig.Run("Eye:Measure NRZ");
    rig.Run("Eye:XNRZParam Area");
    EXPECT_EQ(rows.ShownSlot(), 1) << "a new slot is shown";
    rig.Run("Eye:XNRZParam Area,EyeWidth");
    ASSERT_EQ(eye.ParamCount(emNrz), 2);
    EXPECT_EQ(rows.ShownSlot(), 2);
    EXPECT_EQ(rows.AnnotationOwner(), 2);
    TParam* width = eye.Slot(emNrz, 2);
    ASSERT_EQ(width->Kind, XNrzEyeWidth);
    const TAnnLabelArray& a = width->Annotations;
    EXPECT_EQ(a[1].Text, " L Open ");
    EXPECT_EQ(a[2].Text, " R Open ");
    EXPECT_EQ(a[1].Kind, 1);
    EXPECT_EQ(a[2].Kind, 1);
    EXPECT_EQ(a[1].Shape, 0);
    EXPECT_EQ(a[2].Shape, 1);
    EXPECT_EQ(a[3].Kind, 0) << "EyeWidth marks two points";
    EXPECT_FALSE(a[1].Shown) << "no value yet: the points are not placed";

    // One cycle of 64 waveforms: the value is defined and its points are shown where it measures.
    TEyeWriter clean({});
    rig.Acquire(clean, 64);
    ASSERT_EQ(eye.EngineRuns, 1);
    ASSERT_FALSE(IsUndefinedValue(width->Value));
    const double sk = std::sqrt(10.0);
    EXPECT_NEAR(width->Value, (2000 - 6 * sk) * 1e-12, 1.5e-12);
    EXPECT_TRUE(a[1].Shown);
    EXPECT_TRUE(a[2].Shown);
    EXPECT_NEAR(a[1].X, 1000 + 3 * sk, 1.5);
    EXPECT_NEAR(a[2].X, 3000 - 3 * sk, 1.5);
    EXPECT_NEAR(a[1].Y, 512, 1);
    EXPECT_NEAR(a[2].Y, 512, 1);
    const int x1 = a[1].X;

    // A language switch takes the new texts; the points and their visibility stay.
    rig.Shell.Language().Strings().ChangeLangStr("anL_Open", "Offen L");
    rig.Shell.Serial().ShowEyeAnnotations();
    EXPECT_EQ(rows.ShownSlot(), 2);
    EXPECT_EQ(a[1].Text, " Offen L ");
    EXPECT_EQ(a[1].X, x1);
    EXPECT_TRUE(a[1].Shown);

    // The earlier slot goes: the shown one moves up with its annotations.
    rig.Run("Eye:XNRZParam EyeWidth");
    ASSERT_EQ(eye.ParamCount(emNrz), 1);
    EXPECT_EQ(rows.ShownSlot(), 1);
    EXPECT_EQ(eye.Slot(emNrz, 1), width);
    EXPECT_EQ(rows.AnnotationOwner(), 2);
    EXPECT_TRUE(a[1].Shown);

    // A new slot is shown in its place; its value turns undefined and its records hide. The eye
    // height in dB is 20 log10(0.275 / 0.25) over positive levels and has no logarithm over +-0.25 V.
    eye.RestartEyeAccumulation();
    rig.Run("Eye:YNRZParam EyeHeightDB");
    ASSERT_EQ(eye.ParamCount(emNrz), 2);
    EXPECT_EQ(rows.ShownSlot(), 2);
    TParam* db = eye.Slot(emNrz, 2);
    EXPECT_EQ(db->Annotations[1].Text, " 1 Open ");
    EXPECT_EQ(db->Annotations[4].Text, " 0 Open ");
    EXPECT_FALSE(db->Annotations[1].Shown);
    TEyeWriter positive({.One = 0.275, .Zero = 0.25});
    rig.Acquire(positive, 64);
    ASSERT_NEAR(db->Value, 20 * std::log10(0.275 / 0.25), 5e-5);
    for (int n = 1; n <= 4; ++n) EXPECT_TRUE(db->Annotations[n].Shown) << n;
    eye.RestartEyeAccumulation();
    rig.Acquire(clean, 64);
    ASSERT_FALSE(eye.State().EyeNotFound);
    EXPECT_TRUE(IsUndefinedValue(db->Value));
    for (int n = 1; n <= 4; ++n) EXPECT_FALSE(db->Annotations[n].Shown) << n;

    // A mode change drops them; removing the shown slot does too.
    rig.Run("Eye:Measure RZ");
    EXPECT_EQ(rows.ShownSlot(), 0);
    EXPECT_EQ(rows.AnnotationOwner(), 0);
    rig.Run("Eye:Measure NRZ");
    rows.HandleEyePopupCommand("Annot", 1);
    EXPECT_EQ(rows.ShownSlot(), 1);
    EXPECT_EQ(a[1].Text, " Offen L ");
    rig.Run("Eye:XNRZParam EyeWidth,JitterRMS");
    EXPECT_EQ(rows.ShownSlot(), 3) << "JitterRMS listed last";
    EXPECT_EQ(eye.Slot(emNrz, 3)->Annotations[1].Text, " L RMS ");
    rig.Run("Eye:XNRZParam EyeWidth");
    EXPECT_EQ(rows.ShownSlot(), 0);
    EXPECT_EQ(rows.AnnotationOwner(), 0);
}

// The popup of the eye rows, reached through the strip's press as the window sends it.
TEST(EyePopup, ItemsFollowTheShownSlotAndTheWindowAndEachChangeIsOneUndoStep) {
    TEyeRig rig;
    TEyeMeasurement& eye = rig.Eye();
    TEyeStripRows& rows = RowsOf(rig);
    TNizText strip;
    strip.Resize(7, 35, 528, 81);
    TReadoutProviders providers{};
    providers[static_cast<std::size_t>(TReadoutKind::Eye)] = &rows;
    strip.SetProviders(&providers);
    const auto press = [&strip](int slot) {
        const TPixelRect cell = NizCellRect(slot - 1, 1);
        return strip.MousePress(TNizText::RightButton, (cell.Left + cell.Right) / 2, (cell.Top + cell.Bottom) / 2);
    };

    rig.Run("Eye:XNRZParam EyeWidth,JitterRMS");
    EXPECT_FALSE(press(1)) << "no rows without a mode";
    rig.Run("Eye:Measure NRZ");
    ASSERT_EQ(eye.ParamCount(emNrz), 2);
    rows.HandleEyePopupCommand("Annot", 2);
    ASSERT_EQ(rows.ShownSlot(), 2);

    ASSERT_TRUE(press(2));
    ASSERT_NE(strip.PopupMenu(), nullptr);
    const TStripMenu& menu = *strip.PopupMenu();
    ASSERT_EQ(menu.size(), 8u);
    EXPECT_EQ(menu[0].Caption, "Jitter RMS (Ch1)");
    EXPECT_TRUE(menu[0].Default);
    EXPECT_TRUE(menu[1].Separator);
    EXPECT_EQ(menu[2].Caption, "Set Annotation");
    EXPECT_EQ(Items(menu), Expected(true, true, true));
    ASSERT_TRUE(press(1));
    EXPECT_EQ(Items(*strip.PopupMenu()), Expected(false, true, true));

    // The window off as one step: the model follows, and undo brings it back.
    strip.ChoosePopupCommand("DelDefParam");
    EXPECT_FALSE(eye.DisplayWindowOn());
    EXPECT_EQ(Items(rows.BuildEyePopupMenu(1)), Expected(false, true, false));
    EXPECT_EQ(Items(rows.BuildEyePopupMenu(2)), Expected(true, true, false));
    rig.Undo();
    EXPECT_TRUE(eye.DisplayWindowOn());
    rows.HandleEyePopupCommand("DelDefParam", 1);
    rows.HandleEyePopupCommand("DelAnnot", 1);
    EXPECT_EQ(rows.ShownSlot(), 0);
    EXPECT_EQ(Items(rows.BuildEyePopupMenu(2)), Expected(false, false, false));
    rows.HandleEyePopupCommand("DelDefParam", 1);
    EXPECT_FALSE(eye.DisplayWindowOn()) << "already off: nothing changes";
    // The row's own item: the window on and this slot annotated.
    rows.HandleEyePopupCommand("AllVisible", 1);
    EXPECT_TRUE(eye.DisplayWindowOn());
    EXPECT_EQ(rows.ShownSlot(), 1);
    EXPECT_EQ(Items(rows.BuildEyePopupMenu(1)), Expected(true, true, true));
    rig.Undo();
    EXPECT_FALSE(eye.DisplayWindowOn());

    // Remove slot 1 from the strip: one step, which undo restores.
    ASSERT_TRUE(press(1));
    strip.ChoosePopupCommand("Remove");
    ASSERT_EQ(eye.ParamCount(emNrz), 1);
    EXPECT_EQ(eye.EyeParamSourceName(*eye.Slot(emNrz, 1)), "Jitter RMS (Ch1)");
    EXPECT_EQ(rows.ShownSlot(), 0) << "the shown slot went";
    EXPECT_FALSE(press(2)) << "one row left";
    rig.Undo();
    EXPECT_EQ(eye.ParamCount(emNrz), 2);
    EXPECT_EQ(rig.Run("Eye:XNRZParam?"), "EYE:XNRZPARAM EYEWIDTH,JITTERRMS");

    // Remove all: one step for both.
    strip.MousePress(TNizText::RightButton, NizCellRect(0, 1).Left + 1, NizCellRect(0, 1).Top + 1);
    strip.ChoosePopupCommand("RemoveAll");
    EXPECT_EQ(eye.ParamCount(emNrz), 0);
    rig.Undo();
    EXPECT_EQ(eye.ParamCount(emNrz), 2);
}
