#include "core/Shell.h"

#include <system_error>
#include <utility>

#include "core/InternalError.h"
#include "core/ProgramLog.h"
#include "core/CommandTree.h"
#include "core/TextFiles.h"
#include "core/UndoBuffer.h"

namespace vt {

namespace {

constexpr std::string_view RegistrationNames[] = {
    "CreateCommandTree",      "RegisterMaskObjectCommand", "CreateColorHandlers",     "RegisterMainCommands",
    "CreateChannelHandlers",  "CreateOEConvHandlers",      "CreateTimebaseHandlers",  "CreateTrigHandlers",
    "CreateAcqHandlers",      "CreateDisplayHandlers",     "RegisterSaveCommands",    "RegisterMarkerCommands",
    "CreateMeasHandlers",     "CreateLimitHandlers",       "CreateMathHandlers",      "CreateFFTHandlers",
    "CreateZoomHandlers",     "CreateHistHandlers",        "RegisterMaskCommands",    "RegisterEyeCommands",
    "CreateGeneratorHandlers", "CreateTDRHandlers",        "CreateJitterHandlers",    "RegisterWaveformCommands",
    "CreateUtilHandlers",     "RegisterAdjustCommands",    "CreateCalcPadHandlers",   "CreateRampTestHandlers",
    "CreateRampDACHandlers",  "CreateGuiHandler",          "RegisterInstrCommands",
};
static_assert(std::size(RegistrationNames) == static_cast<std::size_t>(TRegistrationRow::Count));

constexpr std::string_view RefreshNames[] = {
    "RefreshChannelHandlers", "RefreshOEConvHandlers",      "RefreshTimebaseHandlers", "ApplyTrigSettings",
    "RefreshAcqHandlers",     "RefreshDisplayHandlers",     "UpdateSaveFileTypeControls",
    "RefreshMarkerHandlers",  "RefreshMeasHandlers",        "RefreshLimitHandlers",    "UpdateAllMathControls",
    "ApplyZoomToAllSources",  "UpdateHistControls",         "DefaultMaskFileName",     "RefreshEyeHandlers",
    "UpdateGeneratorControls", "RefreshTDRHandlers",        "RefreshUtilHandlers",     "ClearTimebaseCalMode",
};
static_assert(std::size(RefreshNames) == static_cast<std::size_t>(TRefreshRow::Count));

constexpr std::string_view LateNames[] = {
    "ApplyTimebaseModelLimits",
    "CreateRampDACSelectHandler",
    "SetModelAdjustLimits",
};
static_assert(std::size(LateNames) == static_cast<std::size_t>(TLateRegistrationRow::Count));

constexpr std::string_view StartUpNames[] = {
    "BindSwitchersOfStrips", "CreateEnglishLanguageFile", "InitSourceSwitcherItems",
    "LoadMemoriesFromDisk",  "LoadPatternLengthList",     "SetInstrGuiReady",
};
static_assert(std::size(StartUpNames) == static_cast<std::size_t>(TStartUpRow::Count));

constexpr std::string_view InstrumentStartNames[] = {
    "RefreshHelpCaptionAndCalibration",
    "RecallDefaultSetup",
    "ApplyGssDefaultsForLink",
    "UpdateHoldoffTracking",
    "ResendInstrumentSettings",
};
static_assert(std::size(InstrumentStartNames) == static_cast<std::size_t>(TInstrumentStartRow::Count));

constexpr std::string_view AcqCycleNames[] = {
    "SaveAcqWaveforms",   "AutoScaleStep",         "MeasureChannelsResidualSignal", "TdrCalibrationSteps",
    "OEConvCalibrationStep", "PatternSearchSteps", "JitterAnalysisStep",            "MarkAcquiredSignals",
    "DrawXYDisplay",      "MarkRecordsShown",      "UpdateScaleChangeFlags",        "UpdateMarkerLayers",
    "TdrExcessReadout",   "UpdateHistogram",       "EyeAndMaskSteps",               "AddToDatabase",
    "ApplyMarkerMode",    "ScaleChangeRefreshes",  "StopAfterAcqCount",             "StepPatternScanDelay",
    "AfterCycleWhenStopped", "EndCycle",
};
static_assert(std::size(AcqCycleNames) == static_cast<std::size_t>(TAcqCycleRow::Count));

constexpr std::string_view HousekeepingNames[] = {
    "LanguageSwitch",     "RedrawMaskLayer",    "UpdateMarkerLayers",   "UpdateMemorySignals",  "RedrawStaleSignals",
    "FileRequests",       "MeasureAcquisition", "RecalcTdrReflections", "AutoCalibrationDue",   "RefreshMarkerReadouts",
};
static_assert(std::size(HousekeepingNames) == static_cast<std::size_t>(TIdleHousekeepingRow::Count));

std::string WithSlash(const std::filesystem::path& p) {
    std::string s = p.generic_string();
    if (s.empty() || s.back() != '/') s += '/';
    return s;
}

void CreateFolder(const std::string& folder) {
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec || !std::filesystem::is_directory(folder))
        throw EFileError("Cannot create the folder \"" + folder + "\": " + ec.message());
}

}  // namespace

std::string_view RowName(TRegistrationRow row) { return RegistrationNames[static_cast<int>(row)]; }
std::string_view RowName(TRefreshRow row) { return RefreshNames[static_cast<int>(row)]; }
std::string_view RowName(TLateRegistrationRow row) { return LateNames[static_cast<int>(row)]; }
std::string_view RowName(TStartUpRow row) { return StartUpNames[static_cast<int>(row)]; }
std::string_view RowName(TInstrumentStartRow row) { return InstrumentStartNames[static_cast<int>(row)]; }
std::string_view RowName(TAcqCycleRow row) { return AcqCycleNames[static_cast<int>(row)]; }
std::string_view RowName(TIdleHousekeepingRow row) { return HousekeepingNames[static_cast<int>(row)]; }

std::filesystem::path ResolveDataRoot(std::vector<std::string>& args,
                                      const std::function<const char*(const char*)>& getEnv) {
    std::filesystem::path root;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] != "--home") continue;
        if (i + 1 < args.size()) {
            root = args[i + 1];
            args.erase(args.begin() + static_cast<std::ptrdiff_t>(i), args.begin() + static_cast<std::ptrdiff_t>(i) + 2);
        } else {
            args.erase(args.begin() + static_cast<std::ptrdiff_t>(i));
        }
        break;
    }
    if (!root.empty()) return root;
    auto nonEmpty = [&](const char* name) -> const char* {
        const char* v = getEnv(name);
        return (v && *v) ? v : nullptr;
    };
    if (const char* v = nonEmpty("VELTRANE_HOME")) return v;
    if (const char* v = nonEmpty("XDG_DATA_HOME")) return std::filesystem::path(v) / "veltrane";
    if (const char* v = nonEmpty("HOME")) return std::filesystem::path(v) / ".local/share/veltrane";
    return std::filesystem::path(".veltrane");
}

TDataFolders InitInstallFolders(const std::filesystem::path& root) {
    TDataFolders f;
    f.InstallFolder = WithSlash(root);
    f.SetupFilesFolder = f.InstallFolder + "Setup Files/";
    f.StdMaskFolder = f.InstallFolder + "Masks/Standard/";
    f.UserMaskFolder = f.InstallFolder + "Masks/User/";
    f.AcqLimitFolder = f.InstallFolder + "Waveforms/Acquisition Limit Files/";
    f.WaveformFilesFolder = f.InstallFolder + "Waveforms/Waveform Files/";
    f.LimitTestFolder = f.InstallFolder + "Waveforms/Limit Test Files/";
    f.MaskTestFolder = f.InstallFolder + "Waveforms/Mask Test Files/";
    f.DatabaseFolder = f.InstallFolder + "Database/";
    f.HelpFile = f.InstallFolder + "Help/index.html";
    for (const std::string* folder : {&f.SetupFilesFolder, &f.StdMaskFolder, &f.UserMaskFolder, &f.AcqLimitFolder,
                                      &f.WaveformFilesFolder, &f.LimitTestFolder, &f.MaskTestFolder,
                                      &f.DatabaseFolder})
        CreateFolder(*folder);
    // A program killed half-way through a save left its temporary file beside the file it wrote.
    RemoveStaleTemporaryFiles(root);
    return f;
}

template <class Row>
void TOrderedProcedures<Row>::Add(Row row, TProc proc) {
    auto& slot = Rows_[static_cast<int>(row)];
    if (slot) VT_INTERNAL_ERROR("Shell", "Procedure row filled twice");
    slot = std::move(proc);
}

template <class Row>
void TOrderedProcedures<Row>::Run(TShell& shell, const std::function<bool(Row)>& take) const {
    for (int i = 0; i < Size; ++i) {
        const Row row = static_cast<Row>(i);
        if (!Rows_[i]) continue;
        if (take && !take(row)) continue;
        Rows_[i](shell);
    }
}

template <class Row>
void TOrderedProcedures<Row>::RunRow(TShell& shell, Row row) const {
    if (const TProc& proc = Rows_[static_cast<int>(row)]) proc(shell);
}

template class TOrderedProcedures<TRegistrationRow>;
template class TOrderedProcedures<TRefreshRow>;
template class TOrderedProcedures<TLateRegistrationRow>;
template class TOrderedProcedures<TStartUpRow>;
template class TOrderedProcedures<TInstrumentStartRow>;

template <class Row>
void TStoppableProcedures<Row>::Add(Row row, TProc proc) {
    auto& slot = Rows_[static_cast<int>(row)];
    if (slot) VT_INTERNAL_ERROR("Shell", "Procedure row filled twice");
    slot = std::move(proc);
}

template <class Row>
bool TStoppableProcedures<Row>::Run(TShell& shell) const {
    for (const TProc& proc : Rows_)
        if (proc && proc(shell)) return true;
    return false;
}

template class TStoppableProcedures<TAcqCycleRow>;
template class TStoppableProcedures<TIdleHousekeepingRow>;

TShell::TShell()
    : Language_(std::make_unique<TLanguageState>(TLanguageSetup{})),
      Display_(std::make_unique<TDisplayServices>()),
      Serial_(std::make_unique<TSerialServices>()),
      Analysis_(std::make_unique<TAnalysisServices>()),
      User_(std::make_unique<TUserServices>()) {
    Registration.Add(TRegistrationRow::CreateCommandTree,
                     [](TShell& shell) { shell.SetCommandTree(CreateCommandTree()); });
}

TShell::~TShell() = default;

void TShell::SetDisplayServices(std::unique_ptr<TDisplayServices> s) {
    Display_ = s ? std::move(s) : std::make_unique<TDisplayServices>();
}
void TShell::SetSerialServices(std::unique_ptr<TSerialServices> s) {
    Serial_ = s ? std::move(s) : std::make_unique<TSerialServices>();
}
void TShell::SetAnalysisServices(std::unique_ptr<TAnalysisServices> s) {
    Analysis_ = s ? std::move(s) : std::make_unique<TAnalysisServices>();
}
void TShell::SetUserServices(std::unique_ptr<TUserServices> s) {
    User_ = s ? std::move(s) : std::make_unique<TUserServices>();
}
void TShell::SetLanguage(std::unique_ptr<TLanguageState> language) {
    Language_ = language ? std::move(language) : std::make_unique<TLanguageState>(TLanguageSetup{});
}
void TShell::SetUndoBuffer(std::unique_ptr<TUndoBuffer> buffer) {
    UndoBuffer_ = std::move(buffer);
    if (CommandTree_) CommandTree_->SetUndoBuffer(UndoBuffer_.get());
}

void TShell::SetCommandTree(std::unique_ptr<TCommandTree> tree) {
    CommandTree_ = std::move(tree);
    if (!CommandTree_) return;
    CommandTree_->ApplyUnchangedValues = ApplyUnchangedValues_;
    CommandTree_->SetUndoBuffer(UndoBuffer_.get());
}

bool TShell::ApplyUnchangedValues() const {
    return CommandTree_ ? CommandTree_->ApplyUnchangedValues : ApplyUnchangedValues_;
}

void TShell::SetApplyUnchangedValues(bool on) {
    ApplyUnchangedValues_ = on;
    if (CommandTree_) CommandTree_->ApplyUnchangedValues = on;
}

void TShell::ReportError(const std::string& text) {
    if (RemoteWorkDepth > 0) {
        ShowProgramMessage(text, false);
    } else {
        User().ShowErrorDlg(text);
    }
}

void TShell::ShowProgramMessage(const std::string& text, bool box) {
    Display().PushHint(text, 5000);
    LogProgramLine(text);
    if (box) User().ShowNonModalError(text);
}

void TShell::WithdrawProgramMessage(const std::string& text) { User().CloseNonModalError(text); }

std::string TShell::ExecuteCommandString(std::string_view text) {
    return CommandTree_ ? CommandTree_->ExecuteCommandString(text, true) : std::string();
}

void RegisterCommandHandlers(TShell& shell, bool skip) {
    if (shell.RegistrationDone) return;
    // Set first: a registration that fails half-way must not be repeated on top of what it left.
    shell.RegistrationDone = true;
    if (!skip) shell.Registration.Run(shell);
    if (TCommandTree* tree = shell.CommandTree()) tree->SetRegistrationFinished();
}

void RegisterLateCommandHandlers(TShell& shell) { shell.LateRegistration.Run(shell); }

void UpdateUiForInstrument(TShell& shell, const TRefreshOptions& options) {
    shell.Refresh.Run(shell, [&](TRefreshRow row) {
        switch (row) {
            case TRefreshRow::RefreshOEConvHandlers: return options.HasOptOptics;
            case TRefreshRow::UpdateGeneratorControls:
            case TRefreshRow::RefreshTDRHandlers: return options.HasOptGenerators;
            default: return true;
        }
    });
    shell.UndefinedText = "  " + shell.LangStr("Undefined");
}

bool MainIdleStep(TShell& shell, TLinkState link) {
    const bool done = !((shell.RunOn || shell.SingleOn) && !link.CommError);
    // Stepping suspended, no acquisition to step, or the acquisition would talk to the link in the
    // middle of another exchange: nothing to do until the next event.
    if (shell.FlagRegisterMode || !shell.AcquisitionIdleStep || link.Busy) return true;
    const bool busy = shell.AcquisitionIdleStep(shell);
    return done || !busy;
}

}  // namespace vt
