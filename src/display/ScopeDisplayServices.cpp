#include "display/ScopeDisplayServices.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "acq/SignalSources.h"
#include "core/CommandTree.h"
#include "core/SettingReaders.h"
#include "core/Shell.h"
#include "display/DisplayPanel.h"
#include "display/DisplaySettings.h"
#include "display/TopStatusStrip.h"
#include "link/InstrumentLink.h"

namespace vt {

TScopeDisplayServices::TScopeDisplayServices(TShell& shell, std::unique_ptr<THintStack> hints, THintClock clock)
    : Shell_(shell), Hints_(std::move(hints)), Clock_(std::move(clock)) {
    if (!Hints_) Hints_ = std::make_unique<THintStack>();
    if (!Clock_) Clock_ = SteadyClockMs;
}

TScopeDisplayServices::~TScopeDisplayServices() {
    // The tree outlives the display: it keeps no colours of ours.
    if (TCommandTree* tree = Shell_.CommandTree(); tree && tree->ColorSettings() == &Colors_) tree->SetColorSettings(nullptr);
    // The panel leaves the hint stack before the stack goes.
    if (Panel_) {
        if (TSignalRecords* records = Shell_.Records()) records->SignalsOn().OnSwitchOff = PreviousSwitchOff_;
        Panel_->SetSink(nullptr);
        if (View_) View_->PanelGone();
        Panel_.reset();
    }
}

bool TScopeDisplayServices::AcquisitionRunning() const {
    if (Shell_.RunOn) return true;
    const TInstrumentLink* link = const_cast<TShell&>(Shell_).Link();
    return link && link->AcquisitionRunning();
}

void TScopeDisplayServices::CreatePanel() {
    if (Panel_) return;
    TScopeCRT::TProgram program;
    program.BreakAcquisition = [this] {
        if (TInstrumentLink* link = Shell_.Link()) link->BreakAcquisition(true);
    };
    program.AcquisitionRunning = [this] { return AcquisitionRunning(); };
    program.RedrawSignalLayer = [this](int source, int style) { RedrawSignalLayer(source, style); };
    program.RedrawXYLayer = [this] { RedrawXYLayer(); };
    program.ClockMs = SteadyClockMs;
    program.ClockStartMs = ProgramStartMs_;
    program.Colors = &Colors_;
    program.Timers = StripTimers;
    Panel_ = std::make_unique<TScopeCRT>(std::move(program), Hints_.get());
    Panel_->BottomStrip().SetProviders(&Providers_);
    Panel_->OverlayDrags().WriteSetting = [this](const std::string& header, double value) {
        WriteRealSetting(Shell_.CommandTree(), header, value);
    };
    // The histogram's axis names the window set its window writes: 1 vertical, 2 horizontal.
    Panel_->OverlayDrags().HistAxisKind = [this] { return ReadChoiceSetting(Shell_.CommandTree(), "Hist:Axis", 0); };
    Panel_->OverlayDrags().Meas = MeasDragSink;
    Panel_->OverlayDrags().Fft = FftDragSink;
    if (TSignalRecords* records = Shell_.Records()) {
        PreviousSwitchOff_ = records->SignalsOn().OnSwitchOff;
        records->SignalsOn().OnSwitchOff = [this](int source) {
            if (Panel_) Panel_->FreeLayerOfSource(source);
            if (PreviousSwitchOff_) PreviousSwitchOff_(source);
        };
    }
    if (ViewFactory_) View_ = ViewFactory_();
    if (View_) {
        View_->SetBackground(Panel_->BackgroundColor());
        Panel_->SetSink(View_);
    }
}

void TScopeDisplayServices::SetViewFactory(TDisplayViewFactory factory) {
    ViewFactory_ = std::move(factory);
    if (!Panel_ || View_ || !ViewFactory_) return;
    View_ = ViewFactory_();
    if (!View_) return;
    View_->SetBackground(Panel_->BackgroundColor());
    View_->PlaceView(Panel_->PanelLeft(), Panel_->PanelTop(), Panel_->InnerWidth() + 4, Panel_->InnerHeight() + 4);
    View_->SetViewVisible(Panel_->Visible());
    Panel_->SetSink(View_);
}

void TScopeDisplayServices::ViewGone() {
    View_ = nullptr;
    if (Panel_) Panel_->SetSink(nullptr);
}

void TScopeDisplayServices::PlacePanel(int left, int top, int height, int width) {
    if (!Panel_) return;
    if (View_) View_->PlaceView(left, top, width, height);
    // A new width shows every text of the top strip again from the settings; a stopped run's count and
    // the trigger's state, which no setting holds, are shown again as they were.
    const std::array<std::string, 2> states = Panel_->TopStrip().CachedAcqState;
    const int trigState = Panel_->TopStrip().TrigStateShown;
    Panel_->PlacePanel(left, top, height, width);
    if (!Panel_->TakeTopStripResized()) return;
    vt::TopTextUpdateAll(*this);
    vt::TopTextShowStoppedStates(*this, states);
    vt::TopTextShowTrigState(*this, trigState);
}

void TScopeDisplayServices::SetPanelVisible(bool visible) {
    if (!Panel_) return;
    Panel_->SetVisible(visible);
    if (View_) View_->SetViewVisible(visible);
}

void TScopeDisplayServices::AgePersistence() {
    if (Panel_) Panel_->AgePersistence();
}

bool TScopeDisplayServices::HasHistoryLayers() const { return Panel_ && Panel_->HasHistoryLayers(); }

bool TScopeDisplayServices::HasSignalLayer(int source, int style) const {
    if (!Panel_ || source < 0 || source >= SignalRecordCount) return false;
    return Panel_->StyleLayer(source, style) != nullptr;
}

bool TScopeDisplayServices::SignalLayerDrawn(int source) const {
    if (!Panel_ || source < 0 || source >= SignalRecordCount) return false;
    return Panel_->HasSignalLayer(source) && Panel_->LayersOfSignals().Drawn(source);
}

void TScopeDisplayServices::DrawSignalLayer(int source, int style, const TSignalLayerPoints& points) {
    if (!Panel_ || source < 0 || source >= SignalRecordCount) return;
    TParentSignalLayer* layer = Panel_->StyleLayer(source, style);
    if (!layer) return;
    const int n = std::clamp(points.Length, 0, std::min<int>(MaxLayerPoints, static_cast<int>(points.Values.size())));
    layer->BeginUpdate();
    layer->SetScales(n, points.Scale, points.Centre);
    for (int i = 0; i < n; ++i) layer->PutPoint(i, points.Values[static_cast<std::size_t>(i)]);
    layer->EndUpdate();
    Panel_->LayersOfSignals().SetDrawn(source);
}

void TScopeDisplayServices::RedrawSignalLayer(int source, int style) {
    TSignalRecords* records = Shell_.Records();
    if (!records || source < 0 || source >= SignalRecordCount || !records->SignalsOn().IsOn(source)) return;
    const TSignalObj& record = records->Record(source);
    TSignalLayerPoints points;
    points.Length = record.GetDecimatedLength();
    points.Scale = record.GetScale();
    points.Centre = record.GetCentre();
    points.Values.reserve(static_cast<std::size_t>(std::max(points.Length, 0)));
    for (int k = 0; k < points.Length; ++k) points.Values.push_back(record.GetDisplayValue(k));
    DrawSignalLayer(source, style, points);
}

void TScopeDisplayServices::RedrawXYLayer() {
    TSignalRecords* records = Shell_.Records();
    if (!records || !records->SignalsOn().IsOn(ssXY)) return;
    const int x = ReadChoiceSetting(Shell_.CommandTree(), "Displ:XAxis", ssCh1);
    const int y = ReadChoiceSetting(Shell_.CommandTree(), "Displ:YAxis", ssCh2);
    if (x < 0 || x >= SignalRecordCount || y < 0 || y >= SignalRecordCount) return;
    if (records->State(x) == srcOff || records->State(y) == srcOff) return;
    const TSignalObj& xr = records->Record(x);
    const TSignalObj& yr = records->Record(y);
    const int xn = xr.GetDecimatedLength();
    const int yn = yr.GetDecimatedLength();
    SetXYLayerScales(XYDisplayStyle(), xn, xr.VertScale(), xr.VertOffset(), yn, yr.VertScale(), yr.VertOffset());
    for (int i = 0; i < std::min(xn, yn); ++i) PutXYPoint(i, xr.GetDisplayValue(i), yr.GetDisplayValue(i));
}

void TScopeDisplayServices::RemoveSignalLayer(int source) { FreeSignalLayer(source); }

void TScopeDisplayServices::SetAcqLayerScales(int source, int style, int points, double scale, double centre) {
    if (!Panel_ || source < 0 || source >= SignalRecordCount) return;
    if (TParentSignalLayer* layer = Panel_->StyleLayer(source, style)) {
        layer->SetScales(std::clamp(points, 0, MaxLayerPoints), scale, centre);
        Panel_->LayersOfSignals().SetDrawn(source);
    }
}

void TScopeDisplayServices::PutAcqPoint(int source, int index, double value) {
    if (!Panel_ || source < 0 || source >= SignalRecordCount || index < 0 || index >= MaxLayerPoints) return;
    if (TParentSignalLayer* layer = Panel_->SignalLayer(source)) layer->PutPoint(index, value);
}

void TScopeDisplayServices::PutAcqPoints(int source, int first, std::span<const double> values) {
    if (!Panel_ || source < 0 || source >= SignalRecordCount || first < 0 || first >= MaxLayerPoints) return;
    // Points past the layer's last are dropped, as one by one.
    const std::size_t n = std::min(values.size(), static_cast<std::size_t>(MaxLayerPoints - first));
    if (TParentSignalLayer* layer = Panel_->SignalLayer(source)) layer->PutPoints(first, values.first(n));
}

void TScopeDisplayServices::BeginSignalLayersUpdate() { BatchChannelScreens(true); }

void TScopeDisplayServices::EndSignalLayersUpdate() { BatchChannelScreens(false); }

void TScopeDisplayServices::BatchChannelScreens(bool begin) {
    if (!Panel_) return;
    for (int n = 1; n <= MaxScreens; ++n) {
        TSignalScreen*& batched = Batched_[static_cast<std::size_t>(n - 1)];
        TSignalScreen* screen = Panel_->Screen(n);
        if (begin) {
            if (batched || !screen) continue;
            screen->BeginUpdate();
            batched = screen;
        } else {
            // A screen rebuilt inside the batch is another screen, with no batch of ours open.
            if (batched && batched == screen && screen->BatchDepth() > 0) screen->EndUpdate();
            batched = nullptr;
        }
    }
}

void TScopeDisplayServices::SetXYLayerScales(int style, int xPoints, double xScale, double xCentre, int yPoints,
                                             double yScale, double yCentre) {
    if (!Panel_ || Panel_->XYScreenNumber() == 0 || !Panel_->Screen(Panel_->XYScreenNumber())) return;
    Panel_->XYStyleLayer(style)->SetXYScales(std::clamp(yPoints, 0, MaxLayerPoints), std::clamp(xPoints, 0, MaxLayerPoints),
                                      xScale, xCentre, yScale, yCentre);
}

void TScopeDisplayServices::PutXYPoint(int index, double x, double y) {
    if (!Panel_ || index < 0 || index >= MaxLayerPoints) return;
    if (TParentSignalLayer* layer = Panel_->SignalLayer(XYLayerSlot)) layer->PutXYPoint(index, x, y);
}

int TScopeDisplayServices::VerticalCompression() const { return Panel_ ? Panel_->VerticalCompression() : 1; }

void TScopeDisplayServices::SetIntensifiedRanges(int width1, int start1, int start2, int width2) {
    if (Panel_) Panel_->SetIntensifiedRanges(width1, start1, start2, width2);
}

void TScopeDisplayServices::FreeSignalLayer(int source) {
    if (Panel_ && source >= 0 && source < SourceIndexCount) Panel_->FreeLayerOfSource(source);
}

void TScopeDisplayServices::RecreateScreens() {
    if (Panel_) Panel_->RecreateScreens();
}

void TScopeDisplayServices::ApplyLayerColor(int kind) {
    if (!Panel_) return;
    Panel_->ApplyLayerColor(kind);
    // The caller shows the top strip again in the new colours.
    Panel_->TopStrip().ResetShown();
    if (kind == ceBackground && View_) View_->SetBackground(Panel_->BackgroundColor());
}

void TScopeDisplayServices::PushHint(const std::string& text, int durationMs) { Hints_->Push(text, durationMs, 0, 1); }

int TScopeDisplayServices::PushOrRefreshHint(int id, const std::string& text, int style, int keepUnder,
                                             int durationMs) {
    return Hints_->PushOrRefresh(id, text, style, keepUnder, durationMs);
}

void TScopeDisplayServices::RemoveHint(int id) { Hints_->Remove(id); }

void TScopeDisplayServices::ReportCommError(std::string_view suffix) {
    if (!ErrorNoted_) {
        ErrorNoted_ = true;
        ErrorSince_ = Clock_();
        return;
    }
    if (ErrorHintId_ != 0 || Clock_() - ErrorSince_ < CommErrorDelayMs) return;
    ErrorHintId_ = Hints_->Push(Shell_.LangStr("CommunicationErr") + std::string(suffix), 0, HintAlarmStyle, 1);
}

void TScopeDisplayServices::ClearCommError() {
    ErrorNoted_ = false;
    if (ErrorHintId_ != 0) Hints_->Remove(ErrorHintId_);
    ErrorHintId_ = 0;
}

void TScopeDisplayServices::TopTextUpdateAll() { vt::TopTextUpdateAll(*this); }
void TScopeDisplayServices::TopTextShowColumn(int column) { vt::TopTextShowColumn(*this, column); }
void TScopeDisplayServices::TopTextShowColumns() { vt::TopTextShowColumns(*this); }
void TScopeDisplayServices::TopTextShowAcqState(int channel, bool stopped) {
    vt::TopTextShowAcqState(*this, channel, stopped);
}
void TScopeDisplayServices::RedrawSampleRateField() { vt::TopTextShowSampleRates(*this); }
void TScopeDisplayServices::TopTextShowTrigSource() { vt::TopTextShowTrigSource(*this); }
void TScopeDisplayServices::TopTextShowDisplayStyle() { vt::TopTextShowDisplayStyle(*this); }
void TScopeDisplayServices::TopTextShowTrigState(int state) { vt::TopTextShowTrigState(*this, state); }
void TScopeDisplayServices::TopTextShowWaveformCount(int count) { vt::TopTextShowWaveformCount(*this, count); }
void TScopeDisplayServices::TopTextShowDatabase() { vt::TopTextShowDatabase(*this); }

void TScopeDisplayServices::ShowDatabaseStatusHint(int source, bool finished) {
    const std::string text = Shell_.LangStr("DatabaseOf_") + SourceShortName(source) +
                             (finished ? std::string(" Finished") : Shell_.LangStr("_Acquised___"));
    Hints_->Push(text, 5000, 0, 1);
}

void TScopeDisplayServices::ClearBottomText() {
    if (Panel_) Panel_->BottomStrip().Clear();
}

int TScopeDisplayServices::DisplayStyle() const { return Settings_ ? Settings_->StyleOf(ssCh1) : 0; }

int TScopeDisplayServices::SourceDisplayStyle(int source) const {
    return Settings_ ? Settings_->StyleOf(source) : DisplayStyle();
}

int TScopeDisplayServices::XYDisplayStyle() const { return Settings_ ? Settings_->StyleOf(ssXY) : 0; }

void TScopeDisplayServices::SetDatabase(const std::string& path) {
    if (Settings_) Settings_->SetDatabase(!path.empty(), path);
}

std::string TScopeDisplayServices::GetSourceName() const {
    return Settings_ ? Settings_->DataBaseExist().GetSourceName() : TDisplayServices::GetSourceName();
}

void TDisplayFeature::FillRows(TShell& shell) {
    shell.SetDisplayServices(std::make_unique<TScopeDisplayServices>(shell));
}

}  // namespace vt
