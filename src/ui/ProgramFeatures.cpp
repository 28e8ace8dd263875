#include "ui/ProgramFeatures.h"

#include <filesystem>

#include "acq/AutoCalibration.h"
#include "analysis/ScopeAnalysisServices.h"
#include "acq/Autoscale.h"
#include "acq/MainCommands.h"
#include "acq/PatternSearch.h"
#include "acq/RampTest.h"
#include "acq/ReferenceSine.h"
#include "acq/SaveRecall.h"
#include "acq/SignalAcq.h"
#include "acq/Timebase.h"
#include "acq/TimebaseChannels.h"
#include "acq/WaveformCommands.h"
#include "display/DisplaySettings.h"
#include "display/ScopeDisplayServices.h"
#include "program/ProgramLife.h"
#include "program/ProgramLinkServices.h"
#include "serial/ScopeSerialServices.h"
#include "core/Shell.h"
#include "link/AdjustmentCommands.h"
#include "link/AdjustmentValues.h"
#include "link/InstrumentInfoFile.h"
#include "ui/Automation.h"
#include "ui/AutoscaleFeature.h"
#include "ui/CalibrationFeature.h"
#include "ui/InstrumentStart.h"
#include "ui/MainCommandsUi.h"
#include "ui/MainWindowFeature.h"
#include "ui/PatternLengthListFeature.h"
#include "ui/PatternSearchFeature.h"
#include "ui/ScreenColorsFeature.h"
#include "ui/ScreenMouseActions.h"
#include "ui/NumericPadFeature.h"
#include "ui/SystemDialogsFeature.h"
#include "ui/UtilFeature.h"
#include "ui/UtilMenuFeature.h"
#include "ui/menus/AcqMenu.h"
#include "ui/menus/GeneratorMenu.h"
#include "ui/menus/MathFftMenus.h"
#include "ui/menus/OEConvMenu.h"
#include "ui/menus/TdrMenu.h"
#include "ui/TdrChannelCalibrationFeature.h"
#include "ui/menus/DisplayMenu.h"
#include "ui/menus/HistogramMenu.h"
#include "ui/menus/MarkerMenu.h"
#include "ui/menus/MeasMenu.h"
#include "ui/menus/SaveMenu.h"
#include "ui/menus/TimebaseChannelsMenus.h"
#include "ui/menus/TriggerMenu.h"
#include "ui/menus/JitterMenu.h"
#include "ui/menus/LimitMenu.h"
#include "ui/menus/MaskMenu.h"
#include "ui/menus/ZoomMenu.h"
#include "ui/menus/EyeMenu.h"

namespace vt {

namespace {

// What the main commands start in the features built so far: the acquisition's redraw, and the
// timebase delays that undo and redo keep.
class TProgramMainCommandSteps : public TMainCommandSteps {
public:
    TProgramMainCommandSteps(TShell& shell, TSignalAcq& acquisition, TTimebase& timebase)
        : Shell_(shell), Acquisition_(acquisition), Timebase_(timebase) {}
    TAutoScale* AutoScale = nullptr;
    void SetRedrawFlags() override { Acquisition_.SetRedrawFlags(); }
    bool StartAutoScale(int kind) override { return !AutoScale || AutoScale->StartAutoScale(kind); }
    void SaveTimebaseDelays() override { Timebase_.SaveTimebaseDelays(); }
    void RestoreTimebaseDelays() override { Timebase_.RestoreTimebaseDelays(); }
    void RecallSetup(int kind, bool showErrors) override { vt::RecallSetup(Shell_, kind, showErrors); }
    bool SaveSetup(int kind, bool showErrors) override { return vt::SaveSetup(Shell_, kind, showErrors); }

private:
    TShell& Shell_;
    TSignalAcq& Acquisition_;
    TTimebase& Timebase_;
};

}  // namespace

template <class T>
T& TProgramFeatures::Add(TProgramLife& life, std::unique_ptr<T> feature) {
    T& added = *feature;
    Features_.push_back(std::move(feature));
    life.Install(added);
    return added;
}

TProgramFeatures::TProgramFeatures(TShell& shell, TProgramLife& life, TUserDialogs& dialogs,
                                   const std::vector<std::string>& args, std::uint16_t automationPort,
                                   bool embedding)
    : Dialogs_(std::make_unique<TQuietWhileServingDialogs>(dialogs, [this]() -> TCOMRC* {
          TAutomation* automation = Automation_ ? Automation_->Automation() : nullptr;
          return automation ? &automation->Service : nullptr;
      })) {
    TUserDialogs& quiet = *Dialogs_;
    // First: the display's services take the hints pushed from here on.
    Add(life, std::make_unique<TDisplayFeature>());
    TAnalysisFeature& analysis = Add(life, std::make_unique<TAnalysisFeature>());
    Add(life, std::make_unique<TSerialFeature>());
    Add(life, std::make_unique<TMaskFeature>());
    Add(life, std::make_unique<TScreenColorsFeature>());
    TDisplaySettings& displaySettings = Add(life, std::make_unique<TDisplaySettings>(shell));
    // Before the instrument start, which ends the link: the link's services go after it.
    Add(life, std::make_unique<TProgramLinkServices>(shell));
    TMainWindowFeature& mainWindow = Add(life, std::make_unique<TMainWindowFeature>());
    TMainCommandsUi& mainCommandsUi = Add(life, std::make_unique<TMainCommandsUi>(shell, quiet));
    TMainCommandsFeature& mainCommands = Add(life, std::make_unique<TMainCommandsFeature>(mainCommandsUi));
    TSignalAcq& acquisition = Add(life, std::make_unique<TSignalAcq>());
    if (auto* display = dynamic_cast<TScopeDisplayServices*>(&shell.Display())) {
        display->AcquisitionCounter = [&acquisition](int channel) { return acquisition.AcqCount(channel); };
        display->AccumulationCounter = [&acquisition](int channel) { return acquisition.AccumCount(channel); };
        CountsReader_ = display;
    }
    Add(life, std::make_unique<TAcqMenuFeature>(shell));
    Add(life, std::make_unique<TDisplayMenuFeature>(shell, displaySettings, quiet));
    Add(life, std::make_unique<TWaveformCommandsFeature>());
    TUtilFeature& util = Add(life, std::make_unique<TUtilFeature>());
    Add(life, std::make_unique<TUtilMenuFeature>(shell));
    TSystemDialogsFeature& systemDialogs =
        Add(life, std::make_unique<TSystemDialogsFeature>(shell, quiet, mainCommandsUi));
    SystemDialogs_ = &systemDialogs;
    systemDialogs.RecallFactoryAndSaveDefault = [this, &shell] {
        MainCommandSteps_->RecallSetup(1, false);
        // The user's default setup is replaced unasked: the old one is kept beside it.
        const std::string defaultSetup = DefaultSetupFileName(shell);
        std::error_code ec;
        if (std::filesystem::exists(defaultSetup, ec))
            std::filesystem::copy_file(defaultSetup, defaultSetup + ".bak",
                                       std::filesystem::copy_options::overwrite_existing, ec);
        MainCommandSteps_->SaveSetup(0, false);
    };
    Add(life, std::make_unique<TSaveRecallFeature>());
    Add(life, std::make_unique<TSaveMenuFeature>(shell));
    TTimebaseChannelsMenus& timebaseChannels = Add(life, std::make_unique<TTimebaseChannelsMenus>(shell));
    TCalibrAdjust& calibration = Add(life, std::make_unique<TCalibrAdjust>(shell));
    TAutoCalibration& autoCalibration = Add(life, std::make_unique<TAutoCalibration>(shell, calibration));
    Add(life, std::make_unique<TCalibrationFeature>(shell, calibration, autoCalibration));
    calibration.SetTimebaseCalCurveAccess(&timebaseChannels.Settings().Timebase());
    if (CountsReader_) {
        MouseActions_ = MakeScreenMouseActions(shell, acquisition, timebaseChannels.Settings().Timebase());
        CountsReader_->MouseActions = MouseActions_.get();
    }
    util.ReadAdjustmentValues = [&calibration] { calibration.ReadAdjustmentValuesByItself(); };
    // The information file's two passes: the adjustment set read, then the calibration set (which the
    // settings keep afterwards).
    systemDialogs.Info.ReadValues = [&calibration, &shell](bool calibrationPass, TInfoFileValues& values) {
        calibration.ReadAdjustmentValues(calibrationPass ? 0 : 1);
        ReadInfoFileValues(shell.CommandTree(), values);
    };
    systemDialogs.Info.ValuesUnstored = [&calibration] {
        TUnstoredValues unstored;
        calibration.AddUnstoredValues(unstored);
        return unstored.AdjustmentModified || unstored.CalibrationModified;
    };
    TTrigMenuFeature& trigMenu =
        Add(life, std::make_unique<TTrigMenuFeature>(shell, &timebaseChannels.Settings().Timebase()));
    TPatternLengthListFeature& lengthList = Add(
        life, std::make_unique<TPatternLengthListFeature>(shell, trigMenu.Trigger(), trigMenu.OpenPatternLengthList));
    TPatternSearch& patternSearch = Add(life, std::make_unique<TPatternSearch>(shell));
    Add(life, std::make_unique<TPatternSearchFeature>(patternSearch));
    patternSearch.Lengths = [&lengthList]() -> const std::vector<int>& { return lengthList.Lengths(); };
    trigMenu.Trigger().FindPatternTrigger = [&patternSearch](double rate) { patternSearch.FindPatternTrigger(rate); };
    trigMenu.Trigger().StartRefSineCapture = [&patternSearch] { patternSearch.RefSine.StartRefSineCapture(); };
    trigMenu.Trigger().StopRefSineCapture = [&patternSearch] { patternSearch.RefSine.StopRefSineCapture(); };
    patternSearch.RefSine.Prescale = RefFreqPrescale(args);
    if (auto* serial = dynamic_cast<TScopeSerialServices*>(&shell.Serial()))
        serial->Jitter().SearchedChannel = [&patternSearch] { return patternSearch.SearchedSource(); };
    Add(life, std::make_unique<TJitterUiFeature>(shell));
    TZoomMenuFeature& zoom = Add(life, std::make_unique<TZoomMenuFeature>(shell));
    Add(life, std::make_unique<TMathFftMenuFeature>(shell, *analysis.Services(), &zoom.Zoom(), &patternSearch.RefSine,
                                                    &acquisition));
    Add(life, std::make_unique<TMarkerMenuFeature>());
    Add(life, std::make_unique<THistMenuFeature>(analysis.Services()->Histogram()));
    Add(life, std::make_unique<TMeasMenuFeature>(shell, analysis.Services()->Measurements().Settings()));
    Add(life, std::make_unique<TLimitMenuFeature>(shell, analysis.Services()->Measurements()));
    Add(life, std::make_unique<TEyeMenuFeature>(shell));
    TGeneratorMenuFeature& generatorMenu = Add(life, std::make_unique<TGeneratorMenuFeature>(shell, &calibration));
    TOEConv& oeConv = Add(life, std::make_unique<TOEConvMenuFeature>(shell, &calibration)).Converter();
    timebaseChannels.Settings().Channels().FedByOEConverter = [&oeConv](int channel) {
        return oeConv.IsChannelFedByOEConverter(channel);
    };
    Add(life, std::make_unique<TRampTest>(shell, &calibration));
    Add(life, std::make_unique<TTdrMenuFeature>(shell, generatorMenu.Generator(), timebaseChannels.Settings().Channels(),
                                                timebaseChannels.Settings().Timebase(), analysis.Services()->Math()));
    Add(life, std::make_unique<TTdrChannelCalibrationFeature>(shell));
    TMaskMenuFeature& maskMenu = Add(life, std::make_unique<TMaskMenuFeature>(shell));
    maskMenu.ShowHelp = [&mainCommandsUi](int topic) { mainCommandsUi.ShowHelpContext(topic); };
    TAutoScale& autoScale = Add(life, std::make_unique<TAutoScale>(shell, trigMenu.Trigger(),
                                                                   &timebaseChannels.Settings().Timebase()));
    Add(life, std::make_unique<TAutoScaleFeature>(autoScale));
    auto programSteps =
        std::make_unique<TProgramMainCommandSteps>(shell, acquisition, timebaseChannels.Settings().Timebase());
    programSteps->AutoScale = &autoScale;
    autoScale.Steps = programSteps.get();
    patternSearch.Steps = programSteps.get();
    MainCommandSteps_ = std::move(programSteps);
    mainCommands.SetSteps(*MainCommandSteps_);
    maskMenu.UndoLastStep = [&shell, this] { UndoRedoSettings(shell, *MainCommandSteps_, false, true); };
    TNumericPadFeature& pad = Add(life, std::make_unique<TNumericPadFeature>(
                                            shell, [&shell, this] { UndoRedoSettings(shell, *MainCommandSteps_, false, true); }));
    mainWindow.NumericPad = [&pad]() -> const QWidget* { return pad.Pad(); };
    Automation_ = &Add(life, std::make_unique<TAutomationFeature>(shell, quiet, automationPort));
    Instruments_ = &Add(life, std::make_unique<TInstrumentStart>(shell, life, quiet, args, embedding));
    Instruments_->ReadReferenceTemperature = [&autoCalibration] { autoCalibration.ReadReferenceTemperature(); };
    AddSystemDialogsToEnglishFile(mainWindow, shell, quiet, systemDialogs, *Instruments_);
    maskMenu.AddDialogsToEnglishFile([&mainWindow](std::string_view name, std::function<QWidget*(QWidget*)> create) {
        mainWindow.AddEnglishFileDialog(name, std::move(create));
    });
}

TProgramFeatures::~TProgramFeatures() {
    const auto restart = SystemDialogs_ ? SystemDialogs_->TakeRestart() : std::nullopt;
    // Every feature ends first, and with them the instrument's lock, so that the copy can take it; the
    // last made ends first, since the later features lean on the earlier ones (the display's services,
    // the settings whose handlers they registered).
    if (CountsReader_) {
        CountsReader_->AcquisitionCounter = {};
        CountsReader_->AccumulationCounter = {};
        CountsReader_->MouseActions = nullptr;
    }
    while (!Features_.empty()) Features_.pop_back();
    if (restart) StartProgramCopy(*restart);
}

TUserDialogs& TProgramFeatures::Dialogs() { return *Dialogs_; }

}  // namespace vt
