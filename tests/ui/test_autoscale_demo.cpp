// Autoscale in the demo program with its real engine: on the sine it finds the trigger level and the
// period; with no signal it fails and every setting is as before; Cancel in the period search likewise.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>
#include <QPushButton>
#include <QTimer>
#include <filesystem>

#include "UiTestSupport.h"
#include "core/CommandTree.h"
#include "core/SettingReaders.h"
#include "core/Shell.h"
#include "core/UndoBuffer.h"
#include "core/temp_folder.h"
#include "ui/MainBlock.h"
#include "ui/MainWindow.h"
#include "ui/ProgramFeatures.h"
#include "ui/VeltraneApplication.h"
#include "ui/dialogs/AutoScaleForm.h"

namespace vt {
namespace {

TAutoScalFrm* OpenForm() { return test::VisibleWindow<TAutoScalFrm>(); }

TEST(AutoscaleDemo, SineSucceedsNoSignalFailsAndCancelRestores) {
    test::TProgramRig rig;
    TShell& shell = rig.Shell;
    test::TScriptedDialogs& dialogs = rig.Dialogs;
    TCommandTree* tree = nullptr;
    auto real = [&](const char* path) { return ReadRealSetting(tree, path, -1); };
    double extLevel = 0, scaleB = 0;
    int tbMode = -1, extHfMode = -1;
    double extHfLevel = 0;
    bool runAfterSuccess = false, runAfterFailure = false, runAfterCancel = false;
    bool redoLeft = true, cancelRedoLeft = true;
    std::vector<std::string> before, afterFailure, beforeCancel, afterCancel;
    std::vector<std::string> asked;
    // Each step once the demo acquires again: its start-up recalls its setup first.
    const auto acquiring = [&rig] { return rig.Acquiring(); };
    rig.RunSteps(120000, [&] {
        tree = shell.CommandTree();
        shell.ExecuteCommandString("Ch2:Display OFF");
        shell.ExecuteCommandString("*AUTOSCALE");
        extLevel = real("Trig:ExtLevel");
        scaleB = real("TB:ScaleB");
        tbMode = ReadChoiceSetting(tree, "TB:Mode", -1);
        runAfterSuccess = shell.RunOn;
        asked = dialogs.Asked;
        ASSERT_TRUE(rig.Until(acquiring));
        for (const char* route : {"GSS:Ch1", "GSS:Ch2"}) FindSetting<TRadioSwHandler>(tree, route)->SetItemIndex(0);
        before = test::AllSettings(shell);
        shell.ExecuteCommandString("*AUTOSCALE");
        afterFailure = test::AllSettings(shell);
        redoLeft = !shell.UndoBuffer()->RedoEmpty();
        runAfterFailure = shell.RunOn;
        ASSERT_TRUE(rig.Until(acquiring));
        FindSetting<TRadioSwHandler>(tree, "GSS:Ch1")->SetItemIndex(1);
        beforeCancel = test::AllSettings(shell);
        // Cancelled once the period search runs; the dialog's picture is kept then.
        QTimer cancel;
        QObject::connect(&cancel, &QTimer::timeout, [&] {
            TAutoScalFrm* form = OpenForm();
            if (!form || form->ProgressBar().value() < 50) return;
            cancel.stop();
            test::SaveScreenshot(*form, "autoscale_progress.png");
            EXPECT_TRUE(test::TextsThatDoNotFit(*form).empty());
            // It says what runs, and stands in the display area, below the buttons, on the screen.
            EXPECT_EQ(form->WhatRuns().text().toStdString(), "Autoscale as Auto signal");
            TMorda_fr* m = test::ShownMainWindow();
            ASSERT_NE(m, nullptr);
            const TPlace& area = m->Layout().DisplayArea;
            const QRect display(m->mapToGlobal(QPoint(area.Left, area.Top)), QSize(area.Width, area.Height));
            const QRect box = form->frameGeometry();
            EXPECT_TRUE(display.contains(box)) << box.x() << "," << box.y();
            const QWidget& strip = m->SystemControls();
            EXPECT_FALSE(box.intersects(QRect(strip.mapToGlobal(QPoint(0, 0)), strip.size())));
            EXPECT_TRUE(m->screen()->availableGeometry().contains(box));
            form->CancelButton().click();
        });
        cancel.start(5);
        shell.ExecuteCommandString("*AUTOSCALE");
        afterCancel = test::AllSettings(shell);
        cancelRedoLeft = !shell.UndoBuffer()->RedoEmpty();
        runAfterCancel = shell.RunOn;
        ASSERT_TRUE(rig.Until(acquiring));
        // A source other than Direct needs no level: the search succeeds at once, the level stays.
        shell.ExecuteCommandString("Trig:Source ExtHF");
        shell.ExecuteCommandString("Trig:ExtLevel 0.1");
        shell.ExecuteCommandString("*AUTOSCALE");
        extHfLevel = real("Trig:ExtLevel");
        extHfMode = ReadChoiceSetting(tree, "TB:Mode", -1);
    });
    // The sine: the demo triggers between 0.125 and 0.375 V, the period is 10 ns, shown as 3 periods.
    EXPECT_TRUE(asked.empty()) << (asked.empty() ? "" : asked.front());
    EXPECT_NEAR(extLevel, 0.25, 1e-9);
    EXPECT_EQ(tbMode, 2);
    EXPECT_NEAR(scaleB * 3, 1e-8, 1e-10);
    EXPECT_TRUE(runAfterSuccess);
    // No signal: the failure is told in a box that holds nothing, everything is back, nothing to redo,
    // Run on.
    ASSERT_FALSE(dialogs.Shown.empty());
    EXPECT_NE(dialogs.Shown.back().find("mplitude"), std::string::npos) << dialogs.Shown.back();
    EXPECT_TRUE(dialogs.Asked.empty()) << dialogs.Asked.back();
    EXPECT_EQ(afterFailure, before);
    EXPECT_FALSE(redoLeft);
    EXPECT_TRUE(runAfterFailure);
    EXPECT_EQ(afterCancel, beforeCancel);
    EXPECT_FALSE(cancelRedoLeft);
    EXPECT_TRUE(runAfterCancel);
    EXPECT_DOUBLE_EQ(extHfLevel, 0.1);
    EXPECT_EQ(extHfMode, 2);
}

}  // namespace
}  // namespace vt
