#include "UiTestSupport.h"

#include <gtest/gtest.h>

#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <memory>

#include "core/CommandTree.h"
#include "link/InstrumentLink.h"
#include "link/InstrumentIdentity.h"
#include "ui/VeltraneApplication.h"

namespace vt::test {

namespace {

// One application object for the whole test program, as the program has.
class TApplicationEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        static int argc = 1;
        static char name[] = "ui_tests";
        static char* argv[] = {name, nullptr};
        App_ = std::make_unique<TVeltraneApplication>(argc, argv);
    }
    void TearDown() override { App_.reset(); }

private:
    std::unique_ptr<TVeltraneApplication> App_;
};

[[maybe_unused]] const auto* const Environment =
    ::testing::AddGlobalTestEnvironment(new TApplicationEnvironment);

}  // namespace

TRecordingSteps::TRecordingSteps() {
    auto rec = [this](std::string name) { return [this, name] { Log.push_back(name); }; };
    Steps.PushHint = [this](const std::string& text, int ms) {
        Log.push_back("PushHint " + text + " " + std::to_string(ms));
    };
    Steps.BindSwitchersOfStrips = rec("BindSwitchersOfStrips");
    Steps.InitSourceSwitcherItems = rec("InitSourceSwitcherItems");
    Steps.LoadMemoriesFromDisk = rec("LoadMemoriesFromDisk");
    Steps.LoadPatternLengthList = rec("LoadPatternLengthList");
    Steps.SetInstrGuiReady = rec("SetInstrGuiReady");
    Steps.ShowSideMenu = [this](int kind, int side) {
        Log.push_back("ShowSideMenu " + std::to_string(kind) + " " + std::to_string(side));
    };
    Steps.SetSideMenusVisible = [this](bool v) { Log.push_back(v ? "SideMenusShown" : "SideMenusHidden"); };
    Steps.ReadIndividualData = [this] {
        Log.push_back("ReadIndividualData");
        return IdentityReadOk;
    };
    Steps.RefreshHelpCaptionAndCalibration = rec("RefreshHelpCaptionAndCalibration");
    Steps.RecallDefaultSetup = rec("RecallDefaultSetup");
    Steps.UpdateHoldoffTracking = rec("UpdateHoldoffTracking");
    Steps.ResendInstrumentSettings = rec("ResendInstrumentSettings");
    Steps.AutomationObjectCount = [this] { return AutomationObjects; };
    Steps.StopSingleStop = rec("StopSingleStop");
    Steps.BreakAcquisition = [this](bool closing) { Log.push_back(closing ? "Break closing" : "Break"); };
    Steps.AdjustmentModified = [this] { return AdjustmentModified; };
    Steps.CalibrationModified = [this] { return CalibrationModified; };
    Steps.AdjustAccessGranted = [this] { return AdjustAccess; };
    Steps.StoreAdjustmentValues = [this](bool adj) {
        Log.push_back(adj ? "StoreAdjustment" : "StoreCalibration");
    };
    Steps.SavePowerOffSetup = rec("SavePowerOffSetup");
    Steps.StartFlagRegisterReading = rec("StartFlagRegisterReading");
}

int TRecordingSteps::Count(const std::string& entry) const {
    return static_cast<int>(std::count(Log.begin(), Log.end(), entry));
}

int TRecordingSteps::IndexOf(const std::string& entry) const {
    const auto it = std::find(Log.begin(), Log.end(), entry);
    return it == Log.end() ? -1 : static_cast<int>(it - Log.begin());
}

TDialogAnswer TScriptedDialogs::Next() {
    if (Answers.empty()) return TDialogAnswer::Yes;
    const TDialogAnswer a = Answers.front();
    Answers.pop_front();
    return a;
}

TDialogAnswer TScriptedDialogs::AskErrorYesNo(QWidget*, const QString& text) {
    Asked.push_back("ErrorYesNo: " + text.toStdString());
    return Next();
}

TDialogAnswer TScriptedDialogs::AskYesNoCancel(QWidget*, const QString& text) {
    Asked.push_back("YesNoCancel: " + text.toStdString());
    return Next();
}

void TScriptedDialogs::ShowError(QWidget*, const QString& text) { Asked.push_back("Error: " + text.toStdString()); }

void TScriptedDialogs::ShowMessage(QWidget*, const QString& text) {
    Asked.push_back("Message: " + text.toStdString());
}

TInstrumentIdentity& GiveInstrument(TShell& shell, TInstrumentLinkKind kind, std::uint8_t options,
                                    const std::string& firmware) {
    if (!shell.Link()) shell.SetLink(MakeOwnedPart(std::make_unique<TInstrumentLink>()));
    shell.Link()->SetLinkKind(kind);
    if (!shell.Identity())
        shell.SetIdentity(MakeOwnedPart(std::make_unique<TInstrumentIdentityUnit>(*shell.Link(), "")));
    TInstrumentIdentity& id = shell.Identity()->Identity;
    id.ModelType = 1;
    id.Options = options;
    id.SWVersion = {};
    id.SWVersion.Text = firmware;
    ParseVersionString(id.SWVersion);
    return id;
}

void RunLoopFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

bool RunLoopUntil(const std::function<bool()>& done) {
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done()) loop.quit();
    });
    poll.start(5);
    QTimer::singleShot(5000, &loop, &QEventLoop::quit);
    loop.exec();
    return done();
}

void RegisterRecordingMainCommands(TShell& shell, std::vector<std::string>& log) {
    TSpider& root = shell.CommandTree()->Root();
    root.AddRightCommandHandler("*Run", [&log](THandler&) { log.push_back("Execute *Run"); });
    root.AddGpibStringHandler("*StopSingle", 0,
                              [&shell, &log](std::string_view parameter, bool, std::uint8_t, std::string&) {
                                  log.push_back("Execute *StopSingle " + std::string(parameter) +
                                                (shell.StopInProgress ? " (stop under way)" : ""));
                              });
    root.AddRadioHandler("TB:Mode", {.Items = "A,B", .Initial = 1});
}

void RecordAllRows(TShell& shell, std::vector<std::string>& log) {
    for (int i = 0; i < static_cast<int>(TRegistrationRow::Count); ++i) {
        const auto row = static_cast<TRegistrationRow>(i);
        if (shell.Registration.Has(row)) continue;  // the command tree's own row
        shell.Registration.Add(row, [&log, row](TShell& s) {
            log.emplace_back(RowName(row));
            if (row == TRegistrationRow::RegisterMainCommands) RegisterRecordingMainCommands(s, log);
        });
    }
    for (int i = 0; i < static_cast<int>(TRefreshRow::Count); ++i) {
        const auto row = static_cast<TRefreshRow>(i);
        shell.Refresh.Add(row, [&log, row](TShell&) { log.emplace_back(RowName(row)); });
    }
    for (int i = 0; i < static_cast<int>(TLateRegistrationRow::Count); ++i) {
        const auto row = static_cast<TLateRegistrationRow>(i);
        shell.LateRegistration.Add(row, [&log, row](TShell&) { log.emplace_back(RowName(row)); });
    }
}

}  // namespace vt::test
