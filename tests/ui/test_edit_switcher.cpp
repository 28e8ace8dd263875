// The edit switcher bound to a numeric setting: typing, the held arrows with their repeat timing, the
// keys, the pop-up menu, the numeric entry pad's keys and the double click.
#include <gtest/gtest.h>

#include <QAction>

#include "core/EditHandlers.h"
#include "core/LanguageFile.h"
#include "test_values_support.h"
#include "ui/controls/EditSwitcher.h"

using namespace vt;
using namespace vt::test;

namespace {

class EditSwitcherTest : public ::testing::Test {
protected:
    TValuesFixture f;
    TFakeTimers timers;
    std::vector<TWhoChanged> who;
    std::vector<long> stepTimes;
    TDoubleEditHandler& value = f.Tree->Root().AddDoubleEditHandler(
        "Ch1:Scale", {.Initial = 5,
                      .Config = {.Minimum = -100, .Default = 3, .Maximum = 1e9, .CoarseStep = 1, .CoarseKind = skLinear,
                                 .FineStep = 0.25, .FineKind = skLinear, .Resolution = 1e-6, .Units = "V"},
                      .AfterChange = [this](THandler& h) { who.push_back(h.GetWhoChanged()); }});
    TRC_EditSwitcher* sw = nullptr;

    void SetUp() override {
        value.SetOnStep([this](TEditHandler&, double, bool, bool) {
            stepTimes.push_back(timers.Now);
            return false;  // the handler steps itself
        });
        sw = new TRC_EditSwitcher(&f.Host);
        sw->SetCaption("Scale");
        sw->SetMnemonics("Ch1:Scale");
        sw->SetTimerFactory(timers.Factory());
        sw->BindToHandler(true);
    }
    QPoint ArrowPoint(int arrow) const { return sw->ArrowRect(arrow).center(); }
};

TEST_F(EditSwitcherTest, TypedEntriesReachTheHandlerAsSwitcherChanges) {
    TypeText(*sw, "10k");
    EXPECT_EQ(value.GetValue(), 10000);
    ASSERT_EQ(who.size(), 1u);
    EXPECT_EQ(who.back(), wcvSwitcher);
    TypeText(*sw, "2.5a");
    EXPECT_EQ(value.GetValue(), 2.5e6);
    EXPECT_FALSE(sw->Typing());
    EXPECT_EQ(f.Beeps, 0);
}

TEST_F(EditSwitcherTest, RefusedKeysBeepAndChangeNothing) {
    TypeText(*sw, "e");  // no number begins with it
    EXPECT_EQ(f.Beeps, 1);
    EXPECT_FALSE(sw->Typing());
    TypeText(*sw, "1");
    EXPECT_TRUE(sw->Typing());
    EXPECT_EQ(sw->ShownTextColor(), QColor(Qt::black));
    EXPECT_EQ(sw->ShownBackColor(), QColor(Qt::white));
    TypeText(*sw, "-e");  // "1-" refused, "1e" kept
    EXPECT_EQ(f.Beeps, 2);
    EXPECT_EQ(sw->TypedString(), "1e");
    TypeText(*sw, "\r");  // not yet a number: refused, still typing
    EXPECT_EQ(f.Beeps, 3);
    EXPECT_TRUE(sw->Typing());
    EXPECT_EQ(value.GetValue(), 5);
    EXPECT_TRUE(who.empty());
    TypeText(*sw, "\x1b");
    EXPECT_FALSE(sw->Typing());
    EXPECT_EQ(value.GetValue(), 5);
}

TEST_F(EditSwitcherTest, DeleteAndFocusLossDropTheTypedText) {
    TypeText(*sw, "42");
    SendKey(*sw, Qt::Key_Delete, QString(QChar(0x7f)));
    EXPECT_FALSE(sw->Typing());
    TypeText(*sw, "42");
    QFocusEvent popup(QEvent::FocusOut, Qt::PopupFocusReason);
    QCoreApplication::sendEvent(sw, &popup);
    EXPECT_TRUE(sw->Typing());
    QFocusEvent out(QEvent::FocusOut);
    QCoreApplication::sendEvent(sw, &out);
    EXPECT_FALSE(sw->Typing());
    EXPECT_EQ(value.GetValue(), 5);
}

TEST_F(EditSwitcherTest, TheNumericPadTypesThroughProcessKey) {
    EXPECT_TRUE(sw->ProcessKey('7'));
    EXPECT_TRUE(sw->ProcessKey('5'));
    EXPECT_TRUE(sw->ProcessKey(TRC_EditSwitcher::PadBackspaceCode));
    EXPECT_EQ(sw->TypedString(), "7");
    EXPECT_FALSE(sw->ProcessKey(TRC_EditSwitcher::PadEscapeCode));
    EXPECT_EQ(value.GetValue(), 5);
    EXPECT_TRUE(sw->ProcessKey('8'));
    EXPECT_FALSE(sw->ProcessKey('m'));
    EXPECT_DOUBLE_EQ(value.GetValue(), 0.008);
}

TEST_F(EditSwitcherTest, HoldingAnArrowStepsAtThePressAfter250msThenEvery40ms) {
    SendMouse(*sw, QEvent::MouseButtonPress, ArrowPoint(0));
    EXPECT_TRUE(sw->ArrowPressed(0));
    ASSERT_NE(timers.Live(), nullptr);
    EXPECT_EQ(timers.Live()->Interval(), 250);
    timers.Advance(1000);
    SendMouse(*sw, QEvent::MouseButtonRelease, ArrowPoint(0), Qt::LeftButton, Qt::NoButton);
    std::vector<long> expected{0};
    for (long t = 250; t <= 1000; t += 40) expected.push_back(t);
    EXPECT_EQ(stepTimes, expected);
    EXPECT_DOUBLE_EQ(value.GetValue(), 5 + static_cast<double>(expected.size()));
    // The release ends the run: no timer, arrows up, the handler's run over.
    EXPECT_EQ(timers.Live(), nullptr);
    EXPECT_FALSE(sw->ArrowPressed(0));
    EXPECT_FALSE(value.RunActive());
}

TEST_F(EditSwitcherTest, MovingOffTheArrowPausesTheRunAndFineModeStepsFine) {
    sw->SetFineMode(true);
    SendMouse(*sw, QEvent::MouseButtonPress, ArrowPoint(1));
    EXPECT_DOUBLE_EQ(value.GetValue(), 4.75);
    SendMouse(*sw, QEvent::MouseMove, QPoint(2, 2), Qt::NoButton);
    EXPECT_FALSE(sw->ArrowPressed(1));
    timers.Advance(2000);
    EXPECT_EQ(stepTimes.size(), 1u);
    SendMouse(*sw, QEvent::MouseMove, ArrowPoint(1), Qt::NoButton);
    EXPECT_TRUE(sw->ArrowPressed(1));
    timers.Advance(250);
    EXPECT_EQ(stepTimes.size(), 2u);
    EXPECT_DOUBLE_EQ(value.GetValue(), 4.5);
    // Losing the focus ends the run as a release does.
    QFocusEvent out(QEvent::FocusOut);
    QCoreApplication::sendEvent(sw, &out);
    EXPECT_EQ(timers.Live(), nullptr);
    EXPECT_FALSE(sw->MouseRunActive());
    EXPECT_FALSE(value.RunActive());
    // A pop-up opened over a held arrow takes its release: the run ends when the pop-up opens.
    SendMouse(*sw, QEvent::MouseButtonPress, ArrowPoint(0));
    ASSERT_NE(timers.Live(), nullptr);
    QFocusEvent popup(QEvent::FocusOut, Qt::PopupFocusReason);
    QCoreApplication::sendEvent(sw, &popup);
    EXPECT_EQ(timers.Live(), nullptr);
    EXPECT_FALSE(sw->MouseRunActive());
    EXPECT_FALSE(value.RunActive());
}

TEST_F(EditSwitcherTest, ArrowKeysChooseFineModeAndRunWhileHeld) {
    SendKey(*sw, Qt::Key_Right);
    EXPECT_TRUE(sw->FineMode());
    EXPECT_TRUE(sw->KeyRunActive());
    EXPECT_DOUBLE_EQ(value.GetValue(), 5.25);
    SendKey(*sw, Qt::Key_Right, {}, true);
    SendKey(*sw, Qt::Key_Right, {}, true);
    EXPECT_DOUBLE_EQ(value.GetValue(), 5.75);
    EXPECT_TRUE(value.RunActive());
    SendKey(*sw, Qt::Key_Right, {}, false, QEvent::KeyRelease);
    EXPECT_FALSE(sw->KeyRunActive());
    EXPECT_FALSE(value.RunActive());
    SendKey(*sw, Qt::Key_Down);
    EXPECT_FALSE(sw->FineMode());
    EXPECT_DOUBLE_EQ(value.GetValue(), 4.75);
    // Any other key going down ends the run.
    SendKey(*sw, Qt::Key_Shift);
    EXPECT_FALSE(sw->KeyRunActive());
    SendKey(*sw, Qt::Key_Left);
    EXPECT_TRUE(sw->FineMode());
    EXPECT_DOUBLE_EQ(value.GetValue(), 4.5);
    // Focus lost while the key is held: its release goes elsewhere, so the run ends here and the mouse
    // arrows work again.
    QFocusEvent out(QEvent::FocusOut);
    QCoreApplication::sendEvent(sw, &out);
    EXPECT_FALSE(sw->KeyRunActive());
    EXPECT_FALSE(value.RunActive());
    SendMouse(*sw, QEvent::MouseButtonPress, ArrowPoint(0));
    EXPECT_DOUBLE_EQ(value.GetValue(), 4.75);  // fine mode from the Left key
    SendMouse(*sw, QEvent::MouseButtonRelease, ArrowPoint(0), Qt::LeftButton, Qt::NoButton);
}

TEST_F(EditSwitcherTest, WithoutFineStepsLeftAndRightKeepTheModeAndTheMenuEntryIsOff) {
    auto& coarse = f.Tree->Root().AddIntEditHandler(
        "Ch1:Offset", {.Initial = 0, .Config = {.Minimum = -10, .Maximum = 10, .CoarseStep = 2, .CoarseKind = skLinear}});
    sw->SetMnemonics("Ch1:Offset");
    EXPECT_FALSE(sw->FineAvailable());
    QAction* fine = sw->PopupMenu().findChild<QAction*>("Fine");
    ASSERT_NE(fine, nullptr);
    EXPECT_FALSE(fine->isEnabled());
    SendKey(*sw, Qt::Key_Right);
    EXPECT_FALSE(sw->FineMode());
    EXPECT_EQ(coarse.GetValue(), 2);
}

TEST_F(EditSwitcherTest, EndHomePageKeysAndClearSetTheLimitsAndTheDefault) {
    SendKey(*sw, Qt::Key_End);
    EXPECT_EQ(value.GetValue(), -100);
    SendKey(*sw, Qt::Key_Home);
    EXPECT_EQ(value.GetValue(), 1e9);
    SendKey(*sw, Qt::Key_PageUp);
    EXPECT_EQ(value.GetValue(), 3);
    value.SetValue(7);
    SendKey(*sw, Qt::Key_PageDown);
    EXPECT_EQ(value.GetValue(), 3);
    value.SetValue(7);
    SendKey(*sw, Qt::Key_Clear);
    EXPECT_EQ(value.GetValue(), 3);
    // While typing these keys do nothing.
    TypeText(*sw, "1");
    SendKey(*sw, Qt::Key_End);
    EXPECT_EQ(value.GetValue(), 3);
    EXPECT_TRUE(sw->Typing());
}

TEST_F(EditSwitcherTest, PopupMenuEntriesInOrder) {
    QStringList names;
    for (QAction* a : sw->PopupMenu().actions()) names << (a->isSeparator() ? QString("-") : a->objectName());
    EXPECT_EQ(names, QStringList({"Calc", "-", "Fine", "-", "Max", "Mid", "Min"}));
    EXPECT_EQ(sw->PopupMenu().defaultAction()->text(), "Calculator");
    auto item = [&](const char* name) { return sw->PopupMenu().findChild<QAction*>(name); };
    item("Max")->trigger();
    EXPECT_EQ(value.GetValue(), 1e9);
    item("Min")->trigger();
    EXPECT_EQ(value.GetValue(), -100);
    item("Mid")->trigger();
    EXPECT_EQ(value.GetValue(), 3);
    item("Fine")->trigger();
    EXPECT_TRUE(sw->FineMode());
    EXPECT_TRUE(item("Fine")->isChecked());
    item("Fine")->trigger();
    EXPECT_FALSE(sw->FineMode());
    item("Calc")->trigger();
    ASSERT_EQ(f.CalculatorFor.size(), 1u);
    EXPECT_EQ(f.CalculatorFor[0], sw);
    QAction stranger;
    stranger.setObjectName("Other");
    EXPECT_EQ(InternalErrorOf([&] { sw->MenuItemClick(stranger); }), "Unknovn Menu Item");
}

TEST_F(EditSwitcherTest, DoubleClickOpensThePadUnlessOverAnArrowOrTheTagIsNegative) {
    const QPoint field = sw->ValueField().center();
    SendMouse(*sw, QEvent::MouseButtonDblClick, field);
    EXPECT_EQ(f.CalculatorFor.size(), 1u);
    sw->SetTag(-1);
    SendMouse(*sw, QEvent::MouseButtonDblClick, field);
    EXPECT_EQ(f.CalculatorFor.size(), 1u);
    sw->SetTag(0);
    SendMouse(*sw, QEvent::MouseButtonDblClick, ArrowPoint(0));
    EXPECT_EQ(f.CalculatorFor.size(), 1u);
    EXPECT_DOUBLE_EQ(value.GetValue(), 6);  // the second press steps
    SendMouse(*sw, QEvent::MouseButtonRelease, ArrowPoint(0), Qt::LeftButton, Qt::NoButton);
}

TEST(EditSwitcherGeometry, ValueFieldAndArrowsWithAndWithoutTitle) {
    TRC_EditSwitcher sw;
    EXPECT_EQ(sw.height(), 49);
    EXPECT_EQ(sw.focusPolicy(), Qt::StrongFocus);
    EXPECT_EQ(sw.ValueField(), QRect(3, 22, 83, 20));
    EXPECT_EQ(sw.ArrowRect(0), QRect(87, 21, 13, 11));
    EXPECT_EQ(sw.ArrowRect(1), QRect(87, 33, 13, 11));
    sw.SetWithHot(false);
    sw.resize(86, 24);
    EXPECT_EQ(sw.ValueField(), QRect(2, 2, 66, 20));
    EXPECT_EQ(sw.ArrowRect(0), QRect(69, 2, 14, 10));
    EXPECT_EQ(sw.ArrowRect(1), QRect(69, 12, 14, 10));
    sw.resize(400, 24);
    EXPECT_EQ(sw.ValueField().width(), 255);
}

}  // namespace

namespace {

TEST_F(EditSwitcherTest, UnitsGoToTheLanguageFileAndAnUnboundControlBeeps) {
    TLangIniFile file;
    std::string raw, text;
    sw->WriteLangTexts(TFormTextSink{file, "Chan_Form"}, "Menu Panel rmpMain.edswScale");
    ASSERT_TRUE(file.FindRaw("Chan_Form", "Menu Panel rmpMain.edswScale.Dimension", raw, false));
    ASSERT_TRUE(ReadLangValue(raw, text));
    EXPECT_EQ(text, "V");
    TRC_EditSwitcher loose(&f.Host);
    loose.WriteLangTexts(TFormTextSink{file, "Chan_Form"}, "Menu Panel rmpMain.edswLoose");
    ASSERT_TRUE(file.FindRaw("Chan_Form", "Menu Panel rmpMain.edswLoose.Dimension", raw, false));
    ASSERT_TRUE(ReadLangValue(raw, text));
    EXPECT_EQ(text, kLangDimensionUndefined);
    EXPECT_EQ(f.Beeps, 1);
}

}  // namespace
