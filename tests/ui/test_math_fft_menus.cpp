// The math and spectrum side menus offscreen: each binds to the selected function or spectrum, the
// trend's measurement takes the second operand's place, the window list's help follows the window,
// and every text fits; pictures of both.
#include <gtest/gtest.h>

#include "acq/SignalSources.h"
#include "analysis/ScopeAnalysisServices.h"
#include "core/CommandTree.h"
#include "core/Handlers.h"
#include "core/Shell.h"
#include "test_sidemenu_support.h"
#include "UiTestSupport.h"
#include "ui/controls/ButtonSwitchers.h"
#include "ui/controls/ListBoxSwitcher.h"
#include "ui/controls/SourceSwitcher.h"
#include "ui/menus/MathFftMenus.h"
#include "ui/menus/ZoomMenu.h"

using namespace vt;
using namespace vt::test;

namespace {

class MathFftMenus : public ::testing::Test {
protected:
    MathFftMenus() {
        Shell.SetRecords(MakeOwnedPart(std::make_unique<TSignalRecords>()));
        Shell.Records()->ResetSignalObjects();
        Analysis.FillRows(Shell);
        Zoom.FillRows(Shell);
        Menus_ = std::make_unique<TMathFftMenuFeature>(Shell, *Analysis.Services(), &Zoom.Zoom(), nullptr, nullptr);
        Menus_->RegisterForms(Menus);
        RegisterAllCommandHandlers(Shell);
        Window.setFont(QFont(QStringLiteral("Liberation Sans"), 8));
        Window.resize(800, 600);
        UpdateUiForInstrument(Shell, {});
    }
    ~MathFftMenus() override { FlushDeletes(); }
    std::string Run(std::string_view text) { return Shell.CommandTree()->ExecuteCommandString(text, false); }
    template <class T>
    T* Open(int kind) {
        Menus.ShowSideMenu(kind, 0);
        auto* form = dynamic_cast<T*>(Menus.Form(0));
        EXPECT_TRUE(form && UnboundSwitchersOf(*form).empty()) << kind;
        const std::vector<std::string> cut = form ? TextsThatDoNotFit(*form) : std::vector<std::string>{"no form"};
        EXPECT_TRUE(cut.empty()) << cut.front();
        return form;
    }

    TShell Shell;
    TAnalysisFeature Analysis;
    TZoomMenuFeature Zoom{Shell};
    std::unique_ptr<TMathFftMenuFeature> Menus_;
    TKitContext Kit{[this](std::string_view path) { return Shell.CommandTree()->Root().FindHandler(path); }};
    TKitHostWidget Window{Kit};
    TSideMenus Menus{Kit, &Window};
};

}  // namespace

TEST_F(MathFftMenus, TheFormsFollowTheSelectedFunctionAndSpectrum) {
    auto* math = Open<TMath_Form>(mkMath);
    ASSERT_NE(math, nullptr);
    EXPECT_EQ(math->Page()->Caption().toStdString(), "Function 1");
    EXPECT_EQ(math->Page()->GroupMnemonics(), "F1");
    // The menu's own choice: a shadow setting takes no remote command.
    dynamic_cast<TRadioSwHandler*>(Shell.CommandTree()->Root().FindHandler("SHADOW:FuncSelect"))->SetItemIndex(1);
    EXPECT_EQ(math->Page()->Caption().toStdString(), "Function 2");
    EXPECT_EQ(math->Operation()->GetFullMnemonic(), "F2:Operat");
    EXPECT_TRUE(math->Operand2()->isVisibleTo(math->Page()));
    Run("F2:Operat Trend");
    EXPECT_FALSE(math->Operand2()->isVisibleTo(math->Page()));
    EXPECT_TRUE(math->Measurement()->isVisibleTo(math->Page()));
    EXPECT_EQ(math->Measurement()->GetFullMnemonic(), "F2:TrendMeas");
    // The normalized channel and the re-timing are chosen by their features, never from the list.
    EXPECT_EQ(dynamic_cast<TRadioSwHandler*>(math->Operation()->GetHandler())->GetDisabledMask(), (1u << 17) | (1u << 18));
    Window.show();
    math->show();
    SaveScreenshot(*math, "math_menu.png");
    Run("F2:Operat Add");
    EXPECT_TRUE(math->Operand2()->isVisibleTo(math->Page()));

    auto* fft = Open<TFFT_Form>(mkFFT);
    ASSERT_NE(fft, nullptr);
    EXPECT_EQ(fft->Page()->Caption().toStdString(), "Spectrum 1");
    Run("Spectr1:Window Hanning");
    EXPECT_EQ(fft->Window()->HelpContext(), 513);
    dynamic_cast<TRadioSwHandler*>(Shell.CommandTree()->Root().FindHandler("SHADOW:FFTSelect"))->SetItemIndex(1);
    EXPECT_EQ(fft->Page()->Caption().toStdString(), "Spectrum 2");
    EXPECT_EQ(fft->Window()->GetFullMnemonic(), "Spectr2:Window");
    EXPECT_EQ(fft->Window()->HelpContext(), 511);
    fft->show();
    SaveScreenshot(*fft, "fft_menu.png");
}
