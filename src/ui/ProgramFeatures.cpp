#include "ui/ProgramFeatures.h"

#include "acq/AutoCalibration.h"
#include "acq/MainCommands.h"
#include "acq/SignalAcq.h"
#include "acq/Timebase.h"
#include "acq/TimebaseChannels.h"
#include "acq/WaveformCommands.h"
#include "display/ScopeDisplayServices.h"
#include "program/ProgramLife.h"
#include "program/ProgramLinkServices.h"
#include "link/AdjustmentCommands.h"
#include "ui/Automation.h"
#include "ui/CalibrationFeature.h"
#include "ui/InstrumentStart.h"
#include "ui/MainCommandsUi.h"
#include "ui/MainWindowFeature.h"
#include "ui/UtilFeature.h"
#include "ui/menus/AcqMenu.h"
#include "ui/menus/TimebaseChannelsMenus.h"
#include "ui/menus/TriggerMenu.h"
#include "ui/menus/ZoomMenu.h"

namespace vt {

namespace {

// What the main commands start in the features built so far: the acquisition's redraw, and the
// timebase delays that undo and redo keep.
class TProgramMainCommandSteps : public TMainCommandSteps {
public:
    TProgramMainCommandSteps(TSignalAcq& acquisition, TTimebase& timebase)
        : Acquisition_(acquisition), Timebase_(timebase) {}
    void SetRedrawFlags() override { Acquisition_.SetRedrawFlags(); }
    void SaveTimebaseDelays() override { Timebase_.SaveTimebaseDelays(); }
    void RestoreTimebaseDelays() override { Timebase_.RestoreTimebaseDelays(); }

private:
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
    // Before the instrument start, which ends the link: the link's services go after it.
    Add(life, std::make_unique<TProgramLinkServices>(shell));
    Add(life, std::make_unique<TMainWindowFeature>());
    TMainCommandsFeature& mainCommands =
        Add(life, std::make_unique<TMainCommandsFeature>(Add(life, std::make_unique<TMainCommandsUi>(shell, quiet))));
    TSignalAcq& acquisition = Add(life, std::make_unique<TSignalAcq>());
    Add(life, std::make_unique<TAcqMenuFeature>(shell));
    Add(life, std::make_unique<TWaveformCommandsFeature>());
    TUtilFeature& util = Add(life, std::make_unique<TUtilFeature>());
    TTimebaseChannelsMenus& timebaseChannels = Add(life, std::make_unique<TTimebaseChannelsMenus>(shell));
    TCalibrAdjust& calibration = Add(life, std::make_unique<TCalibrAdjust>(shell));
    TAutoCalibration& autoCalibration = Add(life, std::make_unique<TAutoCalibration>(shell, calibration));
    Add(life, std::make_unique<TCalibrationFeature>(shell, calibration, autoCalibration));
    calibration.SetTimebaseCalCurveAccess(&timebaseChannels.Settings().Timebase());
    util.ReadAdjustmentValues = [&calibration] { calibration.ReadAdjustmentValues(0); };
    Add(life, std::make_unique<TTrigMenuFeature>(shell, &timebaseChannels.Settings().Timebase()));
    Add(life, std::make_unique<TZoomMenuFeature>(shell));
    MainCommandSteps_ =
        std::make_unique<TProgramMainCommandSteps>(acquisition, timebaseChannels.Settings().Timebase());
    mainCommands.SetSteps(*MainCommandSteps_);
    Automation_ = &Add(life, std::make_unique<TAutomationFeature>(shell, quiet, automationPort));
    Instruments_ = &Add(life, std::make_unique<TInstrumentStart>(shell, life, quiet, args, embedding));
    Instruments_->ReadReferenceTemperature = [&autoCalibration] { autoCalibration.ReadReferenceTemperature(); };
}

TProgramFeatures::~TProgramFeatures() = default;

TUserDialogs& TProgramFeatures::Dialogs() { return *Dialogs_; }

}  // namespace vt
