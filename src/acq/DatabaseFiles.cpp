#include "acq/SaveRecall.h"

#include <system_error>

#include "acq/SignalObj.h"
#include "acq/SignalSources.h"
#include "acq/WaveformDatabase.h"
#include "core/CommandTree.h"
#include "core/FileNamePlacement.h"
#include "core/SettingReaders.h"
#include "core/Shell.h"
#include "core/TextFiles.h"
#include "link/InstrumentLink.h"

namespace vt {

namespace fs = std::filesystem;

namespace {

const std::string DatabaseFilter = "Database File (*.cgs)|*.cgs";

}  // namespace

// ------------------------------------------------------------------------------------- database

bool TSaveRecall::CreateDatabaseFile(const std::string& path) {
    const int source = Choice("Save:Disk:DbSource");
    const TSignalObj* record = Shell_.Records()->FindRecord(source);
    if (!record) {
        Shell_.ReportError(Shell_.LangStr("SignalIsAbsent"));
        return false;
    }
    // The empty record is written whole at once: a disk without room for it refuses the database now,
    // not when its acquisitions are to be kept.
    TWaveDatabase fresh;
    fresh.Reserved = Database_->Reserved;
    fresh.Start(source, record->VertOffset(), record->VertScale());
    fresh.HorScale = record->TimePerDivision();
    fresh.HorUnit = record->HorUnit();
    fresh.VertUnit = record->GetVertUnit();
    try {
        MakeFolderBelowRoot(path, Shell_.Folders.InstallFolder);
        WriteFileAtomic(path, fresh.Serialize());
    } catch (const EFileError& e) {
        // A script learns of the failure from the reply and of its cause from the log.
        Shell_.ReportError(DatabaseWriteError(path, Shell_.RemoteWorkDepth > 0 ? e.what() : ""));
        return false;
    }
    *Database_ = std::move(fresh);
    DatabasePath_ = path;
    NoteDatabaseWritten(path);
    return true;
}

std::string TSaveRecall::DatabaseWriteError(const std::string& path, std::string_view cause) const {
    std::string text = Shell_.LangStr("WriteFileError") + path + "\"";
    // The cause without the path it repeats.
    const std::string named = "\"" + path + "\": ";
    if (const std::size_t at = cause.find(named); at != std::string_view::npos) cause.remove_prefix(at + named.size());
    if (!cause.empty()) text.append(": ").append(cause);
    return text;
}

void TSaveRecall::NoteDatabaseWritten(const std::string& path) {
    std::error_code ec;
    const fs::path key = fs::absolute(path, ec).lexically_normal();
    const fs::file_time_type written = fs::last_write_time(path, ec);
    if (ec) return;
    WrittenDatabases_[key.string()] = {written, Database_->HorScale, Database_->HorUnit, Database_->VertUnit};
}

void TSaveRecall::AddToDatabase() {
    DatabaseRan_ = true;
    const TSignalObj* record = Shell_.Records()->FindRecord(Database_->Source);
    if (!record) return;
    Database_->Add(record->Length());
    Shell_.Display().TopTextShowWaveformCount(Database_->Count);
}

void TSaveRecall::SaveDatabaseFile() {
    DatabaseOpen_ = false;
    // The file the database was created as: a name given since names the next database.
    const std::string path = DatabasePath_.empty() ? DatabaseBase + ".cgs" : DatabasePath_;
    try {
        MakeFolderBelowRoot(path, Shell_.Folders.InstallFolder);
        WriteFileAtomic(path, Database_->Serialize());
        NoteDatabaseWritten(path);
    } catch (const EFileError& e) {
        // Written when the acquisition stops: nobody may be there to close a box.
        Shell_.ShowProgramMessage(DatabaseWriteError(path, e.what()));
    }
    Shell_.Display().ShowDatabaseStatusHint(Database_->Source, true);
    Shell_.Display().TopTextShowWaveformCount(Database_->Count);
}

void TSaveRecall::CloseDatabase() {
    if (DatabaseOpen_) SaveDatabaseFile();
}

void TSaveRecall::FollowRunState(bool running) {
    if (!DatabaseOpen_) return;
    if (running) DatabaseRan_ = true;
    else if (DatabaseRan_) SaveDatabaseFile();
}

bool TSaveRecall::LoadDatabaseFile(const std::string& path) {
    std::string bytes;
    bool read = false;
    std::error_code ec;
    // A database is one record: a shorter file is damaged, whatever follows the record is ignored.
    if (fs::file_size(path, ec) >= TWaveDatabase::FileBytes && !ec) {
        try {
            bytes = ReadFileBytes(path, TWaveDatabase::FileBytes);
            read = true;
        } catch (const EFileError&) {
        }
    }
    if (!read || !Database_->Parse(bytes)) {
        DatabaseLoaded_ = false;
        // A script's load learns of it from its reply, its cause goes to the log.
        if (Shell_.RemoteWorkDepth > 0) Shell_.ShowProgramMessage(Shell_.LangStr("DatabaseDamaged"), false);
        else Shell_.User().ShowMessage(Shell_.LangStr("DatabaseDamaged"));
        return false;
    }
    DatabaseLoaded_ = true;
    // A file this run wrote, unchanged since, has its scales known; any other shows none rather than
    // the current timebase's.
    const auto written = WrittenDatabases_.find(fs::absolute(path, ec).lexically_normal().string());
    if (written != WrittenDatabases_.end() && fs::last_write_time(path, ec) == written->second.Written && !ec) {
        Database_->HorScale = written->second.HorScale;
        Database_->HorUnit = written->second.HorUnit;
        Database_->VertUnit = written->second.VertUnit;
    }
    if (TInstrumentLink* link = Shell_.Link()) link->BreakAcquisition(true);
    TCommandTree* tree = Shell_.CommandTree();
    if (tree && tree->Resolve("*StopSingle")) {
        tree->ExecuteCommandString("*StopSingle Stop", true);
    } else {
        Shell_.RunOn = false;
        Shell_.SingleOn = false;
    }
    Shell_.Display().SetDatabase(path);
    if (THandler* compare = tree ? tree->Resolve("Mask:CompareWith") : nullptr) compare->SetDisabled(true);
    Shell_.Display().TopTextShowDatabase();
    return true;
}

bool TSaveRecall::AskDatabaseFile(bool save) {
    TSaveDialogRequest request{.Title = Shell_.LangStr(save ? "SaveDatabaseAs" : "LoadDatabase"),
                               .Filter = DatabaseFilter,
                               .FilterIndex = 0,
                               .Name = save ? DatabaseBase : DatabaseBase + ".cgs",
                               .Folder = DatabaseFolder};
    if (!(save ? Shell_.User().ExecSaveDialog(request) : Shell_.User().ExecOpenDialog(request))) return false;
    DatabaseBase = fs::path(request.Name).replace_extension().string();
    DatabaseFolder = request.Folder;
    return true;
}

bool TSaveRecall::DatabaseSaveAction(bool withDialog) {
    if (withDialog && !AskDatabaseFile(true)) return true;
    // The database open so far keeps what it gathered, in its own file.
    CloseDatabase();
    if (!CreateDatabaseFile(DatabaseBase + ".cgs")) return false;
    DatabaseOpen_ = true;
    DatabaseRan_ = false;
    Shell_.Display().ShowDatabaseStatusHint(Database_->Source, false);
    Shell_.Display().TopTextShowWaveformCount(0);
    return true;
}

bool TSaveRecall::DatabaseLoadAction(bool withDialog) {
    if (withDialog && !AskDatabaseFile(false)) return true;
    if (DatabaseBase.empty()) DatabaseBase = DatabaseFolder + "Noname";
    return OpenDatabase(DatabaseBase + ".cgs");
}

bool TSaveRecall::OpenDatabase(const std::string& path) {
    CloseDatabase();
    WriteChoiceSetting(Shell_.CommandTree(), "Mark:Type", 0);
    return LoadDatabaseFile(path);
}

}  // namespace vt
