#include "acq/SaveRecall.h"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <optional>
#include <system_error>

#include "acq/DerivedSignals.h"
#include "acq/SignalObj.h"
#include "acq/SignalSources.h"
#include "acq/WaveformDatabase.h"
#include "acq/WaveformSaves.h"
#include "acq/WaveformTransfer.h"
#include "core/AsciiText.h"
#include "core/CommandTree.h"
#include "core/FileNamePlacement.h"
#include "core/ScopeGuards.h"
#include "core/SettingReaders.h"
#include "core/Shell.h"
#include "core/TextFiles.h"
#include "core/UndoBuffer.h"
#include "link/InstrumentLink.h"
#include "link/UtilSettings.h"
#include "core/ProgramLog.h"

namespace vt {

namespace fs = std::filesystem;

namespace {

constexpr int HintMs = 3000;
constexpr std::string_view MemoItems = "M1,M2,M3,M4";
constexpr std::string_view MemoryFileMark = "~memzona.no";
constexpr int FileTypeDb = 1;
constexpr int NameModeAuto = 1;
constexpr int FormatBinary = 0;
constexpr int FormatVerbose = 1;
constexpr int FormatYOnly = 2;
constexpr const char* NoDatabaseText = "NONEDATABASEATTHESCREEN";

const std::string SetupFilter = "Setup File (*.set)|*.set";
const std::string SaveWaveformFilter =
    "Binary format (*.wfm)|*.wfm|Verbose format (*.txt)|*.txt|Y values formats (*.txty)|*.txty";
const std::string LoadWaveformFilter = "Binary format (*.wfm)|*.wfm|Verbose format (*.txt)|*.txt";

// A text command: a set with a name, or a query (which may be answered with a default name).
class TNameCommandHandler : public THandler {
public:
    using TSet = std::function<void(std::string_view)>;
    using TQuery = std::function<std::string()>;
    TNameCommandHandler(TSet set, TQuery query) : Set_(std::move(set)), Query_(std::move(query)) { SetNoSave(true); }
    // The name a parameter gives: leading blanks dropped, trailing ones kept.
    static std::string_view NameText(std::string_view parameter) {
        const std::size_t first = parameter.find_first_not_of(' ');
        return first == std::string_view::npos ? std::string_view() : parameter.substr(first);
    }
    void ExecuteCommand(std::string_view parameter, bool isQuery, std::string& reply, bool) override {
        const std::string_view text = NameText(parameter);
        if (!text.empty()) Set_(text);
        if (isQuery) reply += Query_();
    }

private:
    TSet Set_;
    TQuery Query_;
};

// A name command whose names are placed below folder(): a name the placement refuses replies "ERROR",
// asked with a query too, and changes nothing.
void AddNameCommand(TSpider& root, const char* path, std::function<const std::string&()> folder,
                    const std::string& dataRoot, TNameCommandHandler::TSet set, TNameCommandHandler::TQuery query) {
    const auto refuses = [folder = std::move(folder), &dataRoot](const TNameCommandHandler&, std::string_view value) {
        const std::string_view text = TNameCommandHandler::NameText(value);
        return !text.empty() && !PlaceFileName(text, folder(), dataRoot);
    };
    root.AddRefusing<TNameCommandHandler>(
        path, {.Refuses = refuses, .SetupLinesToo = true, .QueriesToo = true, .Untrimmed = true}, std::move(set),
        std::move(query));
}

bool FromRemote(THandler& h) { return h.GetWhoChangedRaw() == wcvRemote; }

// The dialogs open in the folder of the last name given.
std::string FolderOf(const std::string& path) { return fs::path(path).parent_path().generic_string() + "/"; }

}  // namespace

std::string WaveformFileExt(int format, const std::string& text) {
    switch (format) {
        case FormatBinary: return ".wfm";
        case FormatVerbose: return ".txt";
        case FormatYOnly: return ".txty";
        default: return text;
    }
}

// ------------------------------------------------------------------------------------- the state

TSaveRecall::TSaveRecall(TShell& shell)
    : Shell_(shell),
      DerivedInputs_(std::make_unique<TDerivedInputs>(shell)),
      Derived_(std::make_unique<TDerivedSignals>(shell, *DerivedInputs_)),
      Database_(std::make_unique<TWaveDatabase>()) {
    SetupFolder = shell.Folders.SetupFilesFolder;
    WaveformFolder = shell.Folders.WaveformFilesFolder;
    DatabaseFolder = shell.Folders.DatabaseFolder;
}

TSaveRecall::~TSaveRecall() = default;

int TSaveRecall::Choice(const char* path) const { return ReadChoiceSetting(Shell_.CommandTree(), path, 0); }

void TSaveRecall::SetChoice(const char* path, int index) { WriteChoiceSetting(Shell_.CommandTree(), path, index); }

std::uint32_t TSaveRecall::MemoMask() const { return ReadMaskSetting(Shell_.CommandTree(), "Save:Memo:On", 0); }

void TSaveRecall::SetMemoBit(int memory, bool on) {
    if (auto* h = FindSetting<TCheckSwHandler>(Shell_.CommandTree(), "Save:Memo:On")) {
        const std::uint32_t bit = 1u << memory;
        h->SetMask(on ? (h->GetMask() | bit) : (h->GetMask() & ~bit));
    }
}

bool TSaveRecall::SourceIsOn(int source) const {
    const TSignalRecords* records = Shell_.Records();
    return records && source >= 0 && source < SourceIndexCount && records->SignalsOn().IsOn(source);
}

void TSaveRecall::SetMemoryOn(int memory, bool on) {
    const int source = MemorySignalIndex(memory);
    if (SourceIsOn(source) == on) return;
    Shell_.Records()->SignalsOn().SetOn(source, on);
    UpdateMemoryItemsEnabled();
}

void TSaveRecall::UpdateMemoryItemsEnabled() {
    auto* h = FindSetting<TCheckSwHandler>(Shell_.CommandTree(), "Save:Memo:On");
    if (!h) return;
    std::uint32_t disabled = 0;
    for (int m = 0; m < MemoryCount; ++m)
        if (!SourceIsOn(MemorySignalIndex(m))) disabled |= 1u << m;
    h->SetDisabledMask(disabled);
}

// ------------------------------------------------------------------------------------ commands

// In the tree's order: the memories, the disk files, the setups, the database on the screen.
void TSaveRecall::RegisterSaveCommands() {
    TCommandTree* tree = Shell_.CommandTree();
    if (!tree) return;
    TSpider& root = tree->Root();
    RegisterMemoCommands(root);
    RegisterDiskCommands(*tree);
    RegisterSetupCommands(root);
    RegisterDatabaseObject(*tree);
    UpdateMemoryItemsEnabled();
    SaveFileTypeChanged();
}

void TSaveRecall::RegisterMemoCommands(TSpider& root) {
    const std::string sources(WfmSourceItems);
    root.AddCheckHandler("Save:Memo:On", {.Items = std::string(MemoItems)});
    root.AddSignalSourceHandler("Save:Memo:Source", {.Items = sources, .ExcludedMask = WfmSourceDisabledMask});
    root.AddRadioHandler("Save:Memo:ToMemo", {.Items = std::string(MemoItems)});
    root.AddFallible("Save:Memo:Save", [this](THandler& h) {
        if (!FromRemote(h)) {
            MemorySaveRequest = true;
            return true;
        }
        // A script's save is made before its reply, from the source it names then; a failure replies
        // ERROR, and its message goes to the log, never to a box.
        const TDepthScope remote(Shell_.RemoteWorkDepth);
        return SaveSignalToMemory(Choice("Save:Memo:Source"), Choice("Save:Memo:ToMemo"));
    });
}

void TSaveRecall::RegisterDiskCommands(TCommandTree& tree) {
    TSpider& root = tree.Root();
    const std::string sources(WfmSourceItems);
    root.AddRadioHandler("Save:Disk:FileType", {.Items = "Wfm,Db", .AfterChange = [this](THandler&) {
                             TakeLastDiskFileName();
                             SaveFileTypeChanged();
                         }})
        .SetDisabled(true);
    root.AddSignalSourceHandler("Save:Disk:Source", {.Items = sources, .ExcludedMask = WfmSourceDisabledMask});
    root.AddSignalSourceHandler("Save:Disk:DbSource", {.Items = sources, .ExcludedMask = WfmSourceDisabledMask});
    root.AddRadioHandler("Save:Disk:NameMode", {.Items = "Manual,Auto"});
    root.AddRadioHandler("Save:Disk:FileFormat", {.Items = "Binary,Verbose,YOnly"});
    AddNameCommand(
        root, "Save:Disk:FileName", [this]() -> const std::string& { return DiskNameFolder(DiskTypeIsDb()); },
        Shell_.Folders.InstallFolder, [this](std::string_view text) { SetDiskFileName(text); },
        [this, &tree] {
            // One blank after the header, as every reply; the name alone without the header.
            return (tree.HeaderOn() ? " " : "") + DiskFileNameReply();
        });
    root.AddFallible("Save:Disk:Save", [this](THandler& h) { return DiskSaveCommand(h); });
    root.AddRadioHandler("Save:Disk:ToMemo", {.Items = std::string(MemoItems)});
    // A script's load is made before its reply, like its save: a file that cannot be loaded replies
    // ERROR, and its message goes to the log, never to a box.
    root.AddFallible("Save:Disk:Load", [this](THandler& h) {
        std::optional<TDepthScope> remote;
        if (FromRemote(h)) remote.emplace(Shell_.RemoteWorkDepth);
        if (Choice("Save:Disk:FileType") == FileTypeDb) return DatabaseLoadAction(false);
        if (!remote) {
            DiskLoadRequest = DiskLoadByCommand = true;
            return true;
        }
        int format = Choice("Save:Disk:FileFormat");
        if (format == FormatYOnly) {
            format = FormatVerbose;
            SetChoice("Save:Disk:FileFormat", format);
        }
        if (WaveformBase.empty()) WaveformBase = WaveformFolder + "Noname";
        return LoadWaveformFile(format, WaveformBase + (format == FormatVerbose ? ".txt" : ".wfm"));
    });
}

bool TSaveRecall::DiskSaveCommand(THandler& h) {
    // Without a name given the file is the one the name's query answers.
    if (Choice("Save:Disk:FileType") == FileTypeDb) {
        if (DatabaseBase.empty()) DatabaseBase = DatabaseFolder + "Noname";
        std::optional<TDepthScope> remote;
        if (FromRemote(h)) remote.emplace(Shell_.RemoteWorkDepth);
        return DatabaseSaveAction(false);
    }
    if (WaveformBase.empty()) {
        if (!FromRemote(h)) return true;
        WaveformBase = WaveformFolder + "Noname";
    }
    if (!FromRemote(h)) {
        DiskSaveRequest = DiskSaveByCommand = true;
        return true;
    }
    // A script's save is written before its reply, under the name current when it was sent: a name
    // sent next cannot rename it, nor a second save merge with it; a failure replies ERROR.
    const TDepthScope remote(Shell_.RemoteWorkDepth);
    return SaveWaveformFile(Choice("Save:Disk:FileFormat"), Choice("Save:Disk:NameMode") == NameModeAuto);
}

void TSaveRecall::RegisterSetupCommands(TSpider& root) {
    // A user's action shows its messages; a remote command learns of a failure from its reply.
    root.AddFallible("Save:Setup:RecFact",
             [this](THandler& h) { return RecallSetup(Shell_, SetupKindFactory, !FromRemote(h)); });
    root.AddFallible("Save:Setup:RecLast",
             [this](THandler& h) { return RecallSetup(Shell_, SetupKindPowerOff, !FromRemote(h)); });
    root.AddFallible("Save:Setup:SvAsDefault",
             [this](THandler& h) { return SaveSetup(Shell_, SetupKindDefault, !FromRemote(h)); });
    AddNameCommand(
        root, "Save:Setup:FileName", [this]() -> const std::string& { return Shell_.Folders.SetupFilesFolder; },
        Shell_.Folders.InstallFolder, [this](std::string_view text) { SetSetupFileName(text); },
        [this] {
            if (SetupName.empty()) SetupName = SetupFolder + "Noname.set";
            return " " + SetupName;
        });
    root.AddFallible("Save:Setup:Save",
             [this](THandler&) { return !SetupName.empty() && SaveSetupFile(Shell_, SetupName, false); });
    root.AddFallible("Save:Setup:Recall", [this](THandler& h) {
        if (SetupName.empty()) return false;
        bool damaged = false;
        if (RecallSetupFile(Shell_, SetupName, false, &damaged)) return true;
        // The reply says ERROR; the hint and the log say why, as for a waveform or database load.
        if (FromRemote(h)) Shell_.ShowProgramMessage(SetupRecallFailure(Shell_, SetupName, damaged), false);
        return false;
    });
}

void TSaveRecall::RegisterDatabaseObject(TCommandTree& tree) {
    TSpider& root = tree.Root();
    // The database on the screen, restored with setups and undo.
    root.AddComplexObjectHandler("NOGPIB:DataBase", [this](TComplexObjectHandler&, bool isQuery, std::string& text) {
        TDisplayServices& display = Shell_.Display();
        if (isQuery) {
            text = display.GetSourceName();
            return;
        }
        if (text == display.GetSourceName()) return;
        if (text == NoDatabaseText) {
            DatabaseLoaded_ = false;
            display.SetDatabase({});
            return;
        }
        // A setup applies its lines twice: a database it names that is refused is said once.
        const bool loading = Shell_.CommandTree() && Shell_.CommandTree()->SettingsLoading();
        if (loading && text == RefusedDatabase_) return;
        if (!LoadDatabaseFile(text) && loading) RefusedDatabase_ = text;
    });
    const auto previous = tree.OnAfterSettingsLoad;
    tree.OnAfterSettingsLoad = [this, previous, alive = std::weak_ptr<bool>(Alive_)] {
        if (previous) previous();
        if (!alive.expired()) RefusedDatabase_.clear();
    };
}

void TSaveRecall::SaveFileTypeChanged() {
    TCommandTree* tree = Shell_.CommandTree();
    if (!tree) return;
    const bool db = Choice("Save:Disk:FileType") == FileTypeDb;
    for (const char* path : {"Save:Disk:Source", "Save:Disk:ToMemo", "Save:Disk:NameMode"})
        if (THandler* h = tree->Resolve(path)) h->SetDisabled(db);
    if (THandler* h = tree->Resolve("Save:Disk:DbSource")) h->SetDisabled(!db);
}

bool TSaveRecall::SetSetupFileName(std::string_view text) {
    const TDataFolders& folders = Shell_.Folders;
    const std::optional<std::string> placed = PlaceFileName(text, folders.SetupFilesFolder, folders.InstallFolder);
    if (!placed) return false;
    SetupName = fs::path(*placed).replace_extension(".set").string();
    SetupFolder = FolderOf(SetupName);
    return true;
}

bool TSaveRecall::SetDiskFileName(std::string_view text) {
    if (!PlaceDiskFileName(text, DiskTypeIsDb())) return false;
    LastDiskFileName_ = text;
    return true;
}

void TSaveRecall::TakeLastDiskFileName() {
    // A type that has no name of its own yet takes the name given last, in its own folder.
    const bool db = Choice("Save:Disk:FileType") == FileTypeDb;
    if ((db ? DatabaseBase : WaveformBase).empty() && !LastDiskFileName_.empty())
        PlaceDiskFileName(LastDiskFileName_, db);
}

const std::string& TSaveRecall::DiskNameFolder(bool db) const {
    return db ? Shell_.Folders.DatabaseFolder : Shell_.Folders.WaveformFilesFolder;
}

bool TSaveRecall::DiskTypeIsDb() const { return Choice("Save:Disk:FileType") == FileTypeDb; }

bool TSaveRecall::PlaceDiskFileName(std::string_view text, bool db) {
    const std::optional<std::string> placed = PlaceFileName(text, DiskNameFolder(db), Shell_.Folders.InstallFolder);
    if (!placed) return false;
    AutoCounter = 0;
    (db ? DatabaseBase : WaveformBase) = fs::path(*placed).replace_extension().string();
    (db ? DatabaseFolder : WaveformFolder) = FolderOf(*placed);
    return true;
}

std::string TSaveRecall::DiskFileNameReply() const {
    if (Choice("Save:Disk:FileType") == FileTypeDb)
        return (DatabaseBase.empty() ? DatabaseFolder + "Noname" : DatabaseBase) + ".cgs";
    std::string reply = WaveformBase.empty() ? WaveformFolder + "Noname" : WaveformBase;
    if (AutoCounter > 0) {
        char number[16];
        std::snprintf(number, sizeof number, "_%.5d", AutoCounter);
        reply += number;
    }
    return reply + WaveformFileExt(Choice("Save:Disk:FileFormat"));
}

// ------------------------------------------------------------------------------------ memories

std::string TSaveRecall::MemoryFileName(int memory) const {
    return Shell_.Folders.InstallFolder + std::string(MemoryFileMark) + std::to_string(memory + 1);
}

bool TSaveRecall::SaveSignalToMemory(int source, int memory) {
    // Only the sources that hold a record can be copied; the choices may name XY .. None. A channel
    // switched off is off, although it may still be acquired for the other.
    bool shown = SourceIsOn(source);
    TCommandTree* tree = Shell_.CommandTree();
    if (source == ssCh1 || source == ssCh1B2) shown = shown && ReadOnOffSetting(tree, "Ch1:Display", true);
    if (source == ssCh2 || source == ssCh2B2) shown = shown && ReadOnOffSetting(tree, "Ch2:Display", true);
    if (source < 0 || source >= SignalRecordCount || !shown || memory < 0 || memory >= MemoryCount) {
        Shell_.ReportError(Shell_.LangStr("SignalIsAbsent"));
        return false;
    }
    const int target = MemorySignalIndex(memory);
    if (source != target) Derived_->CopySignalValues(target, source, true);
    SetMemoryOn(memory, true);
    SetMemoBit(memory, true);
    const bool written = SaveWaveformBinary(Shell_, target, MemoryFileName(memory));
    if (MemoMask() & (1u << memory)) Shell_.Display().FreeSignalLayer(target);
    return written;
}

void TSaveRecall::SaveMemoCommand() {
    SaveSignalToMemory(Choice("Save:Memo:Source"), Choice("Save:Memo:ToMemo"));
}

void TSaveRecall::LoadMemoriesFromDisk() {
    for (int m = 0; m < MemoryCount; ++m) {
        const std::string path = MemoryFileName(m);
        std::error_code ec;
        if (!fs::is_regular_file(path, ec)) continue;
        LoadWaveformBinary(m, path, true);
    }
    UpdateMemoryItemsEnabled();
}

void TSaveRecall::ShowLoadedHint(int memory, const std::string& path) {
    Shell_.Display().PushHint(
        FormatLangText(Shell_.LangStr("Mn"), std::to_string(memory + 1)) + Shell_.LangStr("LoadFromFile") + path,
        HintMs);
}

bool TSaveRecall::LoadWaveformBinary(int memory, const std::string& path, bool quiet) {
    const int source = MemorySignalIndex(memory);
    TSignalRecords& records = *Shell_.Records();
    // The load reads into a copy: a damaged file keeps the record and its zoom.
    if (!records.Record(source).LoadBinary(path)) {
        SetMemoryOn(memory, false);
        records.SetState(source, srcOff);
        if (!quiet) Shell_.ReportError(FormatLangText(Shell_.LangStr("FileSDamaged"), path));
        return false;
    }
    TCommandTree* tree = Shell_.CommandTree();
    const std::string zoom = "Zoom:" + SourceShortName(source) + ":";
    WriteRealSetting(tree, zoom + "HorScale", 1);
    WriteRealSetting(tree, zoom + "HorPosition", 0);
    if (path.find(MemoryFileMark) == std::string::npos) ShowLoadedHint(memory, path);
    SetMemoryOn(memory, true);
    records.SetState(source, srcUpToDate);
    if (!quiet) SetMemoBit(memory, true);
    if (MemoMask() & (1u << memory)) Shell_.Display().FreeSignalLayer(source);
    return true;
}

bool TSaveRecall::LoadWaveformText(int memory, const std::string& path) {
    const int source = MemorySignalIndex(memory);
    TSignalObj& record = Shell_.Records()->Record(source);
    if (!record.LoadText(path)) {
        SetMemoryOn(memory, false);
        Shell_.ReportError(FormatLangText(Shell_.LangStr("FileSDamaged"), path));
        return false;
    }
    TCommandTree* tree = Shell_.CommandTree();
    const std::string zoom = "Zoom:" + SourceShortName(source) + ":";
    double factor = 1;
    double position = 0;
    if (record.IsSpectrum()) {
        // A spectrum shows its first half: the zoom stays inside it.
        factor = 0.5;
        position = std::max(0.0, std::min(position, record.Length() / 2.0 - record.Length() * factor));
    }
    WriteRealSetting(tree, zoom + "HorScale", factor);
    WriteRealSetting(tree, zoom + "HorPosition", position);
    ShowLoadedHint(memory, path);
    SetMemoryOn(memory, true);
    SetMemoBit(memory, true);
    if (MemoMask() & (1u << memory)) Shell_.Display().FreeSignalLayer(source);
    return true;
}

void TSaveRecall::UpdateMemorySignals() {
    TDisplayServices& display = Shell_.Display();
    const std::uint32_t shown = MemoMask();
    for (int m = 0; m < MemoryCount; ++m) {
        const int source = MemorySignalIndex(m);
        if (!(shown & (1u << m))) {
            display.FreeSignalLayer(source);
            continue;
        }
        const std::int32_t signature = Derived_->SignalSettingsSignature(source);
        // A layer freed or made anew in another style is not drawn yet: its trace is drawn again.
        if (SignatureKnown_[static_cast<std::size_t>(m)] && signature == Signatures_[static_cast<std::size_t>(m)] &&
            display.HasSignalLayer(source, display.SourceDisplayStyle(source)) && display.SignalLayerDrawn(source))
            continue;
        Derived_->RedrawSignalLayer(source);
        Signatures_[static_cast<std::size_t>(m)] = signature;
        SignatureKnown_[static_cast<std::size_t>(m)] = true;
        Shell_.Records()->SetState(source, srcStale);
    }
}

// ------------------------------------------------------------------------------ waveform files

void TSaveRecall::RunFileRequests() {
    if (MemorySaveRequest) {
        MemorySaveRequest = false;
        SaveMemoCommand();
    }
    if (DiskSaveRequest) {
        DiskSaveRequest = false;
        SaveWaveformDialog();
    }
    if (DiskLoadRequest) {
        DiskLoadRequest = false;
        LoadWaveformDialog();
    }
}

void TSaveRecall::SaveWaveformDialog() {
    if (FileDialogOpen) return;
    int format = Choice("Save:Disk:FileFormat");
    const bool autoName = Choice("Save:Disk:NameMode") == NameModeAuto;
    // A save a command asked for is remote work: its messages never wait on a person.
    std::optional<TDepthScope> remote;
    if (DiskSaveByCommand) {
        remote.emplace(Shell_.RemoteWorkDepth);
        DiskSaveByCommand = false;
    } else if (!autoName || WaveformBase.empty()) {
        TSaveDialogRequest request{.Title = Shell_.LangStr("SaveWaveformAs"),
                                   .Filter = SaveWaveformFilter,
                                   .FilterIndex = format,
                                   .Name = WaveformBase,
                                   .Folder = WaveformFolder};
        FileDialogOpen = true;
        const bool chosen = Shell_.User().ExecSaveDialog(request);
        FileDialogOpen = false;
        if (!chosen) return;
        AutoCounter = 0;
        WaveformBase = request.Name;
        WaveformFolder = request.Folder;
        format = std::clamp(request.FilterIndex, FormatBinary, FormatYOnly);
        SetChoice("Save:Disk:FileFormat", format);
    }
    SaveWaveformFile(format, autoName);
}

bool TSaveRecall::SaveWaveformFile(int format, bool autoName) {
    const std::string ext = WaveformFileExt(format);
    std::string name = WaveformBase;
    if (autoName) {
        // The next number whose file does not exist yet: an automatic name never overwrites.
        std::error_code ec;
        do {
            if (AutoCounter == std::numeric_limits<std::int32_t>::max()) return false;
            ++AutoCounter;
            char number[16];
            std::snprintf(number, sizeof number, "_%.5d", AutoCounter);
            name = WaveformBase + number;
        } while (fs::exists(name + ext, ec));
    }
    const int source = Choice("Save:Disk:Source");
    if (format == FormatBinary) return SaveWaveformBinary(Shell_, source, name + ext);
    return SaveWaveformText(Shell_, source, name + ext, format == FormatYOnly);
}

void TSaveRecall::LoadWaveformDialog() {
    if (FileDialogOpen) return;
    int format = Choice("Save:Disk:FileFormat");
    // A file of Y values only cannot be read back.
    if (format == FormatYOnly) {
        format = FormatVerbose;
        SetChoice("Save:Disk:FileFormat", format);
    }
    std::string name = WaveformBase + (format == FormatVerbose ? ".txt" : ".wfm");
    std::optional<TDepthScope> remote;
    if (DiskLoadByCommand) {
        remote.emplace(Shell_.RemoteWorkDepth);
        DiskLoadByCommand = false;
    } else {
        TSaveDialogRequest request{.Title = Shell_.LangStr("LoadWaveform"),
                                   .Filter = LoadWaveformFilter,
                                   .FilterIndex = format,
                                   .Name = name,
                                   .Folder = WaveformFolder};
        FileDialogOpen = true;
        const bool chosen = Shell_.User().ExecOpenDialog(request);
        FileDialogOpen = false;
        if (!chosen) return;
        name = request.Name;
        WaveformBase = fs::path(name).replace_extension().string();
        WaveformFolder = request.Folder;
        format = std::clamp(request.FilterIndex, FormatBinary, FormatVerbose);
        SetChoice("Save:Disk:FileFormat", format);
    }
    LoadWaveformFile(format, name);
}

bool TSaveRecall::LoadWaveformFile(int format, const std::string& name) {
    const int memory = Choice("Save:Disk:ToMemo");
    return format == FormatVerbose ? LoadWaveformText(memory, name) : LoadWaveformBinary(memory, name, false);
}

void TSaveRecall::DiskSaveAction() {
    if (Choice("Save:Disk:FileType") == FileTypeDb) DatabaseSaveAction(true);
    else DiskSaveRequest = true;
}

void TSaveRecall::DiskLoadAction() {
    if (Choice("Save:Disk:FileType") == FileTypeDb) DatabaseLoadAction(true);
    else DiskLoadRequest = true;
}

void TSaveRecall::RecallSetupDialog() {
    TSaveDialogRequest request{.Title = Shell_.LangStr("RecallSetup"),
                               .Filter = SetupFilter,
                               .FilterIndex = 0,
                               .Name = SetupName,
                               .Folder = SetupFolder};
    if (!Shell_.User().ExecOpenDialog(request)) return;
    if (UpperCase(fs::path(request.Name).extension().string()) != ".SET") return;
    SetupName = request.Name;
    SetupFolder = request.Folder;
    RecallSetupFile(Shell_, SetupName, true);
}

void TSaveRecall::SaveSetupDialog() {
    TSaveDialogRequest request{.Title = Shell_.LangStr("SaveSetupAs"),
                               .Filter = SetupFilter,
                               .FilterIndex = 0,
                               .Name = SetupName,
                               .Folder = SetupFolder};
    if (!Shell_.User().ExecSaveDialog(request)) return;
    SetupName = fs::path(request.Name).replace_extension(".set").string();
    SetupFolder = request.Folder;
    SaveSetupFile(Shell_, SetupName, true);
}

// -------------------------------------------------------------------------------------- feature

void TSaveRecallFeature::FillRows(TShell& shell) {
    shell.Registration.Add(TRegistrationRow::RegisterSaveCommands, [](TShell& s) {
        // The folders are known by now; the state lives for the run.
        if (!s.SaveRecall()) s.SetSaveRecall(MakeOwnedPart(std::make_unique<TSaveRecall>(s)));
        if (s.Records()) s.SaveRecall()->RegisterSaveCommands();
    });
    shell.Refresh.Add(TRefreshRow::UpdateSaveFileTypeControls, [](TShell& s) {
        if (TSaveRecall* state = s.SaveRecall()) state->SaveFileTypeChanged();
    });
    shell.StartUpSteps.Add(TStartUpRow::LoadMemoriesFromDisk, [](TShell& s) {
        if (TSaveRecall* state = s.SaveRecall(); state && s.Records()) state->LoadMemoriesFromDisk();
    });
    shell.InstrumentStartSteps.Add(TInstrumentStartRow::RecallDefaultSetup, [](TShell& s) {
        // Quiet: a missing file is the normal case; a refused one is named in a hint and the log.
        const std::string path = DefaultSetupFileName(s);
        std::error_code ec;
        if (!fs::exists(path, ec)) return;
        bool damaged = false;
        if (RecallSetupFile(s, path, false, &damaged)) return;
        const std::string text = SetupRecallFailure(s, path, damaged);
        s.Display().PushHint(text, HintMs);
        LogProgramLine("default setup not recalled: " + text);
    });
    shell.IdleHousekeeping.Add(TIdleHousekeepingRow::UpdateMemorySignals, [](TShell& s) {
        if (TSaveRecall* state = s.SaveRecall(); state && s.Records()) state->UpdateMemorySignals();
        return false;
    });
    shell.IdleHousekeeping.Add(TIdleHousekeepingRow::FileRequests, [](TShell& s) {
        TSaveRecall* state = s.SaveRecall();
        if (!state || !s.Records()) return false;
        // Run and Single stopped: the database is complete.
        state->FollowRunState(s.RunOn || s.SingleOn);
        state->RunFileRequests();
        return false;
    });
    shell.AcqCycle.Add(TAcqCycleRow::AddToDatabase, [](TShell& s) {
        TSaveRecall* state = s.SaveRecall();
        if (!state || !state->DatabaseOpen()) return false;
        // The last cycle of a Single counts too: the cycle's end cleared Single before this hook.
        state->AddToDatabase();
        if (!s.RunOn && !s.SingleOn) state->SaveDatabaseFile();
        return false;
    });
}

void TSaveRecallFeature::BreakAcquisition(bool closing) {
    if (!closing || !Shell_) return;
    if (TSaveRecall* state = Shell_->SaveRecall()) state->CloseDatabase();
}

void TSaveRecallFeature::SavePowerOffSetup() {
    if (Shell_) SaveSetup(*Shell_, SetupKindPowerOff, true);
}

}  // namespace vt
