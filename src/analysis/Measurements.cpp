#include "analysis/Measurements.h"

#include "analysis/MeasCalc.h"
#include "core/MenuKinds.h"
#include "core/Shell.h"

namespace vt {

TMeasurements::TMeasurements(TShell& shell, TMeasCalc& calc)
    : Calc_(calc), List_(shell, calc), Readouts_(shell, calc, List_), Settings_(shell, calc, List_, Readouts_),
      Limit_(shell, calc, List_, Readouts_) {
    List_.SetLimitTest(&Limit_);
    List_.StripChanged = [this] { Readouts_.MarkFullRedraw(); };
    List_.Annotate = [this](int slot) { Readouts_.ShowMeasAnnotation(slot); };
    List_.PlaceHisticon = [this](int slot) { Readouts_.PlaceHisticon(slot); };
}

TMeasurements::~TMeasurements() {
    Calc_.SetListHooks(nullptr);
    Calc_.LimitTestAcquisition = nullptr;
    List_.SetLimitTest(nullptr);
}

void TMeasurements::FillRows(TShell& shell) {
    Calc_.SetListHooks(&Readouts_);
    Readouts_.Install();
    shell.ModeSwitches().SetSwitchOff(mkMeasurements, [this] { Settings_.SwitchOffMeasurements(); });
    shell.Registration.Add(TRegistrationRow::CreateMeasHandlers,
                           [this](TShell& s) { Settings_.CreateMeasHandlers(*s.CommandTree()); });
    shell.Refresh.Add(TRefreshRow::RefreshMeasHandlers, [this](TShell&) { Settings_.RefreshMeasHandlers(); });
    Calc_.LimitTestAcquisition = [this] { Limit_.LimitTestAcquisition(); };
    shell.Registration.Add(TRegistrationRow::CreateLimitHandlers,
                           [this](TShell& s) { Limit_.CreateLimitHandlers(*s.CommandTree()); });
    shell.Refresh.Add(TRefreshRow::RefreshLimitHandlers, [this](TShell&) { Limit_.RefreshLimitHandlers(); });
}

}  // namespace vt
