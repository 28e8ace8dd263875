#pragma once
// The eye-diagram feature: the `Eye:` settings and what their changes do to the engine, the parameter
// lists of both modes, the step of every completed acquisition and the `Eye:Res` query. The strip
// rows, annotation texts and menu are reached through one narrow readouts interface.
#include <array>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "serial/EyeEngine.h"
#include "serial/EyeParameters.h"

namespace vt {

class TShell;
class TCheckSwHandler;
class TDoubleEditHandler;
class TIntEditHandler;
class TOnOffHandler;
class TRadioSwHandler;
class TSignalSourceSwHandler;
class TSignalObj;

// What the eye shows in the bottom strip, the annotations, the menu and the top strip; nothing until
// those views exist.
class TEyeReadouts {
public:
    virtual ~TEyeReadouts() = default;
    virtual void BuildEyeStrip() {}
    virtual void ClearEyeRows() {}
    virtual bool StripBuilt() const { return false; }
    virtual void DrawEyeParamCells(int /*mode*/, int /*slot*/) {}
    virtual void WriteCountCell(int /*slot*/, const std::string& /*text*/) {}
    virtual void ResetMenuPage() {}
    virtual void ClearAnnotations() {}
    // The annotation owner kind: 0 none, 1 measurements, 2 NRZ eye, 3 RZ eye.
    virtual int AnnotationOwner() const { return 0; }
    virtual void BuildEyeAnnotations(int /*slot*/, int /*mode*/) {}
    // The slot whose annotations are on screen, 0 none.
    virtual int ShownSlot() const { return 0; }
    virtual void RemoveSlotAnnotations(int /*mode*/, int /*slot*/) {}
    virtual void ReshowEyeAnnotations() {}
    virtual void RefreshAnnotationLayers() {}
    virtual void RefreshSampleModeIcon() {}
};

// Where the average power's inputs come from; each may be replaced.
struct TEyePowerSources {
    std::function<double()> StoredZeroPower;
    std::function<double()> DemoValue;
    std::function<double()> ConversionGain;
};

class TEyeMeasurement {
public:
    explicit TEyeMeasurement(TShell& shell);
    ~TEyeMeasurement();
    TEyeMeasurement(const TEyeMeasurement&) = delete;
    TEyeMeasurement& operator=(const TEyeMeasurement&) = delete;

    void RegisterEyeCommands();
    void RefreshEyeHandlers();

    // --- the cycle
    void UpdateEyeMeasurements();
    void RestartEyeAccumulation();
    void SwitchOffEyeMeasurement();

    // --- lists
    void AddEyeParameter(int mode, int axis, int kind);
    void RemoveEyeParameter(int mode, int axis, int kind);
    void UncheckEyeParameter(int mode, int slot, bool undoStep);
    void RemoveAllEyeParameters();
    void UpdateEyeOptionMasks();
    int ParamCount(int mode) const;
    // Slot 1..4 of a mode, or none.
    TParam* Slot(int mode, int slot) const;

    // --- after-change steps
    void OnEyeMeasureChange();
    void OnEyeSourceChange();
    void ResetEyeStatistics();
    void ApplyEyeStatMode();

    // --- results
    void EyeResReply(std::string_view parameter, bool isQuery, std::string& reply);
    std::string EyeStatQuery(int slot, std::string_view statistic, int mode);
    std::string EyeParamSourceName(const TParam& param) const;

    // --- settings as read now
    int Measure() const;
    int Source() const;
    bool StatisticOn() const;
    int WfmsInCycle() const;
    bool DisplayWindowOn() const;

    TEyeEngine& Engine() { return *Engine_; }
    EyeEngineState& State() { return Engine_->State(); }
    void SetReadouts(TEyeReadouts* readouts) { Readouts_ = readouts ? readouts : &NoReadouts_; }
    TEyeReadouts& Readouts() { return *Readouts_; }
    TEyePowerSources Power;
    // Whether the instrument has the optics option (the extinction-ratio items).
    std::function<bool()> HasOptics;
    // Computations run (successful or not), for the cycle's bookkeeping.
    int EngineRuns = 0;

private:
    bool BindHist();
    bool DatabaseShown() const;
    TSignalObj* Record(int source) const;
    bool SourceOn(int source) const;
    TEyeParamInputs Inputs(const TSignalObj* record) const;
    void SyncEngineSettings();
    void ComputeSlot(TParam& param, bool addToStat);
    void ValueAnnotated(int slot);
    void BuildStrip();
    void ShowHint(const char* key);
    void RemoveHint();
    void SendDrawParams(const EyeDrawParams& params);
    // Marker layer 1 (the eye window), with both also layer 2.
    void RemoveMarkerLayers(bool both);
    void ApplyStatModeTo(TParam& param) const;
    void OnListChange(int mode, int axis, TCheckSwHandler& handler);
    void EnableStatControls();
    void BoundChanged(bool left);
    void ResultSettingChanged(bool redraw);
    TCheckSwHandler* List(int mode, int axis) const;

    TShell& Shell_;
    std::unique_ptr<TEyeEngine> Engine_;
    TEyeReadouts NoReadouts_;
    TEyeReadouts* Readouts_ = &NoReadouts_;
    std::array<std::vector<std::unique_ptr<TParam>>, 3> Params_;  // by mode (1 NRZ, 2 RZ)

    TRadioSwHandler* Measure_ = nullptr;
    TSignalSourceSwHandler* Source_ = nullptr;
    TIntEditHandler* WfmsInCycle_ = nullptr;
    TOnOffHandler* DisplWind_ = nullptr;
    TOnOffHandler* Statistic_ = nullptr;
    TRadioSwHandler* Mode_ = nullptr;
    TIntEditHandler* Window_ = nullptr;
    TIntEditHandler* Weight_ = nullptr;
    TDoubleEditHandler* LeftBound_ = nullptr;
    TDoubleEditHandler* RightBound_ = nullptr;
    TRadioSwHandler* TreshMode_ = nullptr;
    TDoubleEditHandler* UpTresh_ = nullptr;
    TDoubleEditHandler* LowTresh_ = nullptr;
    std::array<TCheckSwHandler*, 4> Lists_{};  // X NRZ, Y NRZ, X RZ, Y RZ
    bool BoundGuard_ = false;
};

}  // namespace vt
