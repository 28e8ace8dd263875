// The channel calibration's dialog offscreen, beside its main window: while the run collects it shows
// the progress with the wait cursor and no OK; a TDR success shows the values in green with OK, which
// keeps them; a TDT failure shows the error in red without the amplitude and initial-voltage rows,
// and Cancel closes it. Every text fits its label in both modes.
#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include "UiTestSupport.h"
#include "acq/SignalObj.h"
#include "acq/SignalSources.h"
#include "core/CommandTree.h"
#include "core/EditHandlers.h"
#include "core/Handlers.h"
#include "core/Shell.h"
#include "core/UndoBuffer.h"
#include "core/UserServices.h"
#include "serial/TdrChannelCalibration.h"
#include "serial/TdrSettings.h"
#include "ui/dialogs/TdrChannelCalibrationForm.h"

namespace vt {
namespace {

struct TOkUser : TUserServices {
    bool ConfirmOkCancel(const std::string&) override { return true; }
};

// The labels and buttons that show whose text is wider (or, wrapped, taller) than their room.
std::vector<std::string> CutTexts(const QWidget& root) {
    std::vector<std::string> cut;
    for (const QLabel* l : root.findChildren<QLabel*>()) {
        if (!l->isVisibleTo(&root) || l->text().isEmpty()) continue;
        const QFontMetrics m(l->font());
        const bool fits = l->wordWrap() ? l->heightForWidth(l->width()) <= l->height()
                                        : m.horizontalAdvance(l->text()) <= l->contentsRect().width();
        if (!fits) cut.push_back(l->objectName().toStdString() + ": " + l->text().toStdString());
    }
    for (const QPushButton* b : root.findChildren<QPushButton*>())
        if (QFontMetrics(b->font()).horizontalAdvance(b->text()) + 8 > b->width()) cut.push_back(b->objectName().toStdString());
    return cut;
}

class Refresher : public TTdrChannelCalibrationView {
public:
    TfrmTDR_CalibrChannel* Dialog = nullptr;
    bool Ended = false;
    void Opened(TTdrChannelCalibration&) override {}
    void Changed(TTdrChannelCalibration&) override {
        if (Dialog) Dialog->Refresh();
    }
    void Closed(TTdrChannelCalibration&) override { Ended = true; }
};

TEST(TdrChannelCalibrationDialog, ShowsProgressThenValuesOrTheFailureAndEveryTextFits) {
    TShell shell;
    shell.SetUserServices(std::make_unique<TOkUser>());
    test::GiveInstrument(shell, TInstrumentLinkKind::Demo, optGenerators);
    shell.SetRecords(MakeOwnedPart(std::make_unique<TSignalRecords>()));
    shell.SetCommandTree(CreateCommandTree());
    shell.SetUndoBuffer(std::make_unique<TUndoBuffer>());
    shell.AcqEnabled = true;
    TTdrSettings settings(shell);
    settings.CreateTDRHandlers();
    TTdrChannelCalibration run(shell, settings);
    settings.ChannelCalibration = &run;
    Refresher view;
    run.View = &view;
    const auto command = [&](std::string_view text) { shell.CommandTree()->ExecuteCommandString(text, false); };
    command("TDR:Mode TDR");
    command("TDR:Ch1:Destination External");
    const TTdrSettings::TChannelHandlers& ch1 = settings.Channel(TdrChannel1);
    const auto acquire = [&](double before, double after) {
        TSignalObj& r = shell.Records()->Record(ssCh1);
        r.SetLength(TdrCalibrationPoints);
        r.SetSampleInterval(1e-10);
        r.SetVertUnit("V");
        r.SetHorUnit("s");
        for (int i = 0; i < TdrCalibrationPoints; ++i) r.SetPoint(i, i < 300 ? before : after);
        shell.SingleOn = false;
        run.TdrChannelCalibrationStep();
    };
    QWidget window;
    window.setFont(QFont(QStringLiteral("Liberation Sans"), 8));
    window.setGeometry(40, 30, 800, 600);

    // --- TDR, collecting, then a success.
    ch1.DoVertCalibr->PressFromSwitcher();
    ASSERT_TRUE(run.Open());
    {
        TfrmTDR_CalibrChannel dialog(&window, run);
        view.Dialog = &dialog;
        dialog.show();
        EXPECT_EQ(dialog.pos() - window.geometry().topLeft(), QPoint(360, 105));
        EXPECT_EQ(dialog.windowTitle().toStdString(), "Vertical TDR Calibration of Channel 1");
        EXPECT_EQ(dialog.StatusLabel()->text().toStdString(), "TDR Static Calibration");
        for (int k = 0; k < 8; ++k) acquire(-0.2, -0.2);
        EXPECT_TRUE(dialog.ProgressBar()->isVisible());
        EXPECT_EQ(dialog.ProgressBar()->value(), 13);
        EXPECT_FALSE(dialog.OkButton()->isEnabled());
        EXPECT_EQ(window.cursor().shape(), Qt::WaitCursor);
        while (run.Collecting() && !run.SecondPhase()) acquire(-0.2, -0.2);
        while (run.Collecting()) acquire(-0.2, -0.3);
        EXPECT_FALSE(dialog.ProgressBar()->isVisible());
        EXPECT_EQ(window.cursor().shape(), Qt::ArrowCursor);
        EXPECT_TRUE(dialog.OkButton()->isEnabled());
        EXPECT_EQ(dialog.StatusLabel()->text().toStdString(), "Calibration complete!");
        EXPECT_EQ(dialog.StatusLabel()->palette().color(QPalette::WindowText).name().toStdString(), "#008000");
        EXPECT_EQ(dialog.BaselineCaption()->text().toStdString(), "Baseline:");
        EXPECT_FALSE(dialog.AmplitudeValue()->text().isEmpty());
        EXPECT_FALSE(dialog.RefPlaneValue()->text().isEmpty());
        EXPECT_EQ(CutTexts(dialog), std::vector<std::string>{});
        test::SaveScreenshot(dialog, "tdr_calibration.png");
        dialog.OkButton()->click();
        EXPECT_TRUE(view.Ended);
        EXPECT_NEAR(ch1.RefAmpl->GetValue(), 0.1, 1e-9);
        view.Dialog = nullptr;
    }

    // --- TDT, flat: failure 1 in red, the value rows hidden; Cancel.
    command("TDR:Mode TDT");
    ch1.RefTDTAmpl->SetValue(0.3);
    view.Ended = false;
    ch1.DoVertCalibr->PressFromSwitcher();
    ASSERT_TRUE(run.Open());
    TfrmTDR_CalibrChannel dialog(&window, run);
    view.Dialog = &dialog;
    dialog.show();
    EXPECT_EQ(dialog.BaselineCaption()->text().toStdString(), "Initial Voltage:");
    EXPECT_EQ(CutTexts(dialog), std::vector<std::string>{});
    while (run.Collecting()) acquire(0.1, 0.1);
    EXPECT_EQ(dialog.StatusLabel()->text().toStdString(), "Calibration failed");
    EXPECT_EQ(dialog.StatusLabel()->palette().color(QPalette::WindowText).name().toStdString(), "#ff0000");
    EXPECT_EQ(dialog.ErrorLabel()->text().toStdString(), "The TDT step is smaller than 50 mV.");
    EXPECT_FALSE(dialog.AmplitudeValue()->isVisible());
    EXPECT_FALSE(dialog.BaselineCaption()->isVisible());
    EXPECT_FALSE(dialog.OkButton()->isEnabled());
    EXPECT_EQ(CutTexts(dialog), std::vector<std::string>{});
    test::SaveScreenshot(dialog, "tdr_calibration_tdt_failed.png");
    dialog.CancelButton()->click();
    EXPECT_TRUE(view.Ended);
    EXPECT_FALSE(run.Open());
    EXPECT_EQ(ch1.RefTDTAmpl->GetValue(), 0.3);
    view.Dialog = nullptr;
}

}  // namespace
}  // namespace vt
