#pragma once
// The measurements as the program puts them together (display, analysis, the command tree with an
// undo buffer and the panel's bottom strip, which records what is written in which cell), with a
// limit test that records what the list asks of it.
#include <QGuiApplication>

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "acq/HistogramObjects.h"
#include "acq/MainCommands.h"
#include "acq/SignalObj.h"
#include "acq/SignalSources.h"
#include "analysis/MeasurementList.h"
#include "analysis/Measurements.h"
#include "analysis/ScopeAnalysisServices.h"
#include "core/CommandTree.h"
#include "core/SettingReaders.h"
#include "core/Shell.h"
#include "core/UndoBuffer.h"
#include "display/BottomReadoutStrip.h"
#include "display/DisplayPanel.h"
#include "display/ScopeDisplayServices.h"

namespace vt::test {

class TRecordingLimits : public TMeasLimitTest {
public:
    void ResetLimitSlot(int slot) override { Log.push_back("Reset " + std::to_string(slot)); }
    void CopyLimitParameter(int to, int from) override {
        Log.push_back("Copy " + std::to_string(from) + ">" + std::to_string(to));
    }
    void RefreshLimitParameters() override { Log.push_back("Refresh"); }
    bool TestOn() const override { return On; }
    void SwitchTestOff() override { Log.push_back("TestOff"); }
    bool Activ(int slot) const override { return slot != InactiveSlot; }
    std::vector<std::string> Take() { return std::exchange(Log, {}); }
    std::vector<std::string> Log;
    bool On = false;
    int InactiveSlot = -1;
};

// The strip renders its texts: a GUI application for the length of the test only, since the other
// tests of the suite run without one.
struct TMeasListGuiApp {
    TMeasListGuiApp() {
        if (!QGuiApplication::instance()) App = std::make_unique<QGuiApplication>(Argc, Argv);
    }
    int Argc = 1;
    char Name[16] = "analysis_tests";
    char* Argv[2] = {Name, nullptr};
    std::unique_ptr<QGuiApplication> App;
};

// The display and analysis features with their commands (header off) and a placed panel, whose
// bottom strip records what is written in which cell.
struct TPanelRig {
    TPanelRig() {
        Shell.SetRecords(MakeOwnedPart(std::make_unique<TSignalRecords>()));
        Shell.SetFullHist(MakeOwnedPart(std::make_unique<TFullHist>()));
        TDisplayFeature().FillRows(Shell);
        TAnalysisFeature().FillRows(Shell);
        RegisterAllCommandHandlers(Shell);
        ConnectSignalEnablity(Shell.Records()->SignalsOn(), Shell.CommandTree()->SignalEnablity());
        Display = dynamic_cast<TScopeDisplayServices*>(&Shell.Display());
        Display->CreatePanel();
        Display->PlacePanel(0, 0, 600, 800);
        Do("Header OFF");
        Display->Panel()->BottomStrip().TextWatch = [this](const TPixelRect& rect, const std::string& text, TColor) {
            Cells[{rect.Left, rect.Top}] = text;
        };
    }
    // A record at the given volts per division around 0, 1 ps per point unless told, switched on and
    // marked new.
    TSignalObj& SetRecord(int source, const std::vector<double>& values, double dt = 1e-12, double scale = 1) {
        TSignalObj& r = Shell.Records()->Record(source);
        r.SetLength(static_cast<int>(values.size()));
        r.SetSampleInterval(dt);
        r.SetHorUnit("s");
        r.SetVertUnit("V");
        r.SetVertScale(scale);
        r.SetVertOffset(0);
        for (int i = 0; i < static_cast<int>(values.size()); ++i) r.SetPoint(i, values[static_cast<std::size_t>(i)]);
        r.SetChangedFlags();
        Shell.Records()->SignalsOn().SetOn(source, true);
        return r;
    }
    // As a remote client sends it.
    std::string Do(const std::string& command) { return Shell.CommandTree()->Root().ExecuteCommandString(command, false); }
    // The text last written at the cell's top left, empty when none.
    std::string& CellAt(const TPixelRect& r) { return Cells[{r.Left, r.Top}]; }

    TMeasListGuiApp Gui;
    TShell Shell;
    TScopeDisplayServices* Display = nullptr;
    std::map<std::pair<int, int>, std::string> Cells;
};

struct TMeasListRig : TPanelRig {
    TMeasListRig() {
        Services = &dynamic_cast<TScopeAnalysisServices&>(Shell.Analysis());
        List().SetLimitTest(&Limits);
        Shell.SetUndoBuffer(std::make_unique<TUndoBuffer>());
        Shell.UndoBuffer()->SetEnabled(true);
        Shell.AcqEnabled = true;
        for (int source : {ssCh1, ssCh2}) SetRecord(source, std::vector<double>(1000, 0.0));
    }
    ~TMeasListRig() { List().SetLimitTest(nullptr); }

    void Undo() {
        TMainCommandSteps steps;
        UndoRedoSettings(Shell, steps, false, true);
    }
    // The strip's throttled texts are drawn now, as their timers would.
    void FlushStrip() {
        TNizText& strip = Display->Panel()->BottomStrip();
        for (int slot = 0; slot < DelayedTextSlotCount; ++slot)
            if (strip.Slot(slot).Timer) strip.FlushDelayedText(strip.Slot(slot).Timer.get());
    }
    // One pass of the engine with every text drawn.
    void Pass() {
        FlushStrip();
        Shell.Analysis().MeasureAcquisition();
        FlushStrip();
    }
    TMeasList& List() { return Services->Measurements().List(); }
    TMeasReadouts& Readouts() { return Services->Measurements().Readouts(); }
    std::vector<std::string> Labels() {
        std::vector<std::string> labels;
        for (int i = 0; i < List().Count(); ++i) labels.push_back(List().GetMeasLabel(i));
        return labels;
    }
    std::uint32_t Mask(const std::string& path) { return ReadMaskSetting(Shell.CommandTree(), path, 0xFFFFFFFF); }
    // The text last written at the cell's top left.
    std::string Cell(const TPixelRect& r) {
        auto it = Cells.find({r.Left, r.Top});
        return it == Cells.end() ? std::string("<none>") : it->second;
    }

    TRecordingLimits Limits;
    TScopeAnalysisServices* Services = nullptr;
};

}  // namespace vt::test
