#include <gtest/gtest.h>

#include <QPushButton>
#include <deque>

#include "UiTestSupport.h"
#include "acq/MainCommands.h"
#include "core/CommandTree.h"
#include "core/EditHandlers.h"
#include "core/UndoBuffer.h"
#include "ui/controls/ButtonSwitchers.h"
#include "ui/controls/EditSwitcher.h"
#include "ui/controls/Switcher.h"
#include "ui/dialogs/NumericPadForm.h"

namespace vt {
namespace {

class NumericPad : public ::testing::Test {
protected:
    void SetUp() override {
        Shell.SetCommandTree(CreateCommandTree());
        Shell.SetUndoBuffer(std::make_unique<TUndoBuffer>());
        Shell.UndoBuffer()->SetEnabled(true);
        CreateCalcPadHandlers(Shell, [this] { return &Pad; });
        Pad.Runner = Script.Runner();
        Pad.UndoPadStep = [this] { UndoRedoSettings(Shell, Steps_, false, true); };
    }
    TRC_EditSwitcher& Target(std::string_view path, const TEditConfig& config) {
        Shell.CommandTree()->Root().AddDoubleEditHandler(path, {.Initial = 5, .Config = config});
        auto* sw = new TRC_EditSwitcher(&Host);
        sw->SetKit(&Kit);
        sw->SetCaption("Scale");
        sw->SetMnemonics(path);
        sw->BindToHandler(true);
        return *sw;
    }
    double Value(std::string_view path) {
        return static_cast<TEditHandler*>(Shell.CommandTree()->Root().FindHandler(path))->GetValueAsDouble();
    }
    void Keys(std::initializer_list<const char*> keys) {
        for (const char* k : keys) Pad.PressKey(QString::fromUtf8(k));
    }

    TShell Shell;
    TKitContext Kit{[this](std::string_view path) { return Shell.CommandTree()->Root().FindHandler(path); }};
    QWidget Host;
    TNewCalcFrm Pad{Shell, Kit, nullptr};
    TMainCommandSteps Steps_;
    test::TDialogScript Script;
};

TEST_F(NumericPad, TypedValuesCancelUndoAndTheSpecialValues) {
    TRC_EditSwitcher& scale = Target("Ch1:Scale", {.Minimum = 0, .Default = 3, .Maximum = 1e7, .CoarseStep = 1,
                                                   .CoarseKind = skLinear, .FineStep = 0.25, .FineKind = skLinear,
                                                   .Resolution = 1e-6, .Units = "V"});
    Script.Steps.push_back([this](QDialog&) {
        EXPECT_EQ(Pad.windowTitle(), "Scale");
        Keys({"1", "0"});
        EXPECT_FALSE(Pad.OkButton().isEnabled()) << "still typing";
        Keys({"K"});
        EXPECT_TRUE(Pad.OkButton().isEnabled());
        EXPECT_EQ(Value("Ch1:Scale"), 10000);
        test::SaveScreenshot(Pad, "numeric_pad.png");
        Pad.OkButton().click();
    });
    Pad.OpenCalcPad(scale);
    EXPECT_EQ(Value("Ch1:Scale"), 10000);
    EXPECT_EQ(Pad.Edit().GetHandler(), nullptr) << "unbound once closed";

    Script.Steps.push_back([this](QDialog&) {
        Keys({"2", ".", "5", "M"});
        EXPECT_EQ(Value("Ch1:Scale"), 2.5e6);
        Keys({"7", "Clr"});
        EXPECT_FALSE(Pad.Edit().Typing());
        Keys({"4"});  // typing when Cancel comes: abandoned
    });
    Pad.OpenCalcPad(scale);
    EXPECT_EQ(Value("Ch1:Scale"), 10000) << "Cancel restores";
    UndoRedoSettings(Shell, Steps_, true, false);
    EXPECT_EQ(Value("Ch1:Scale"), 10000) << "the dropped change cannot be redone";

    Script.Steps.push_back([this](QDialog&) {
        auto* resolution = static_cast<TRadioSwHandler*>(Shell.CommandTree()->Root().FindHandler("Shadow:Resolution"));
        EXPECT_EQ(resolution->GetDisabledMask(), 0u) << "a fine step is offered";
        auto* setTo = static_cast<TCheckSwHandler*>(Shell.CommandTree()->Root().FindHandler("Shadow:SetTo"));
        setTo->SetBitFromSwitcher(1, true);
        EXPECT_EQ(Value("Ch1:Scale"), 3) << "Mid: the default";
        EXPECT_EQ(setTo->GetMask(), 0u) << "no item stays set";
        Pad.OkButton().click();
    });
    Pad.OpenCalcPad(scale);
    EXPECT_EQ(Value("Ch1:Scale"), 3);
    UndoRedoSettings(Shell, Steps_, false, false);
    EXPECT_EQ(Value("Ch1:Scale"), 10000) << "the pad's change is one undo step";

    TRC_EditSwitcher& coarse = Target("Ch1:Coarse", {.Minimum = 0, .Default = 1, .Maximum = 10, .CoarseStep = 1,
                                                     .CoarseKind = skLinear, .Resolution = 1});
    Script.Steps.push_back([this](QDialog&) {
        auto* resolution = static_cast<TRadioSwHandler*>(Shell.CommandTree()->Root().FindHandler("Shadow:Resolution"));
        EXPECT_EQ(resolution->GetDisabledMask(), 3u) << "no fine step";
    });
    Pad.OpenCalcPad(coarse);
}

}  // namespace
}  // namespace vt
