#pragma once
// Save and recall: whole setups (every saveable setting as command lines, in files or in memory), the
// four waveform memories M1-M4 with their files kept between runs, and waveform files on disk. Saves
// and loads of waveforms are deferred: a user's action or a command raises a request, and the idle
// housekeeping carries it out between acquisitions.
#include <array>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/Feature.h"

namespace vt {

class TShell;
class THandler;
class TCommandTree;
class TSpider;
class TCheckSwHandler;
class TRadioSwHandler;
class TDerivedInputs;
class TDerivedSignals;
class TWaveDatabase;

// --- setups: they need nothing but the context, so the start-up and the close may call them ---

inline constexpr int SetupKindDefault = 0;
inline constexpr int SetupKindFactory = 1;
inline constexpr int SetupKindPowerOff = 2;
// A setup file larger than this is refused before it is read.
inline constexpr std::uintmax_t MaxSetupFileBytes = 1u << 20;

// "~SetpDefaultFor<name>.set" / "~SetpPwrOffFor<name>.set" in the setup files folder: the name is the
// current instrument's without blanks, unsafe characters escaped as "%XX".
std::string DefaultSetupFileName(const TShell& shell);
std::string PowerOffSetupFileName(const TShell& shell);

// Every saveable setting into the file (UTF-8, lines ended by "\n"); false on a failed write, with
// "File___NotSaved" shown when asked.
bool SaveSetupFile(TShell& shell, const std::string& path, bool showErrors);

// How a setup file was taken apart before any line was applied.
struct TSetupFileCheck {
    bool Damaged = false;               // refused as a whole
    std::vector<std::string> Lines;     // the lines that name a saveable value setting
    int SkippedLines = 0;               // lines of other models, versions, or actions
};
// Checks a setup file's bytes whole: a byte below 0x20 other than TAB, CR, LF or a non-blank line
// without a value damages it; the last line counts with or without its line end. Lines of no saveable value setting of
// this tree, actions ("*", "SHADOW:", "FLASH:", "INSTR:", commands) and lines holding more than one
// command are skipped and counted.
TSetupFileCheck CheckSetupText(TShell& shell, std::string_view bytes);

// One undo step (the mask object's state recorded first), the file read whole and checked, then every
// line applied. The quiet form reports a refusal through `damaged` instead of a message.
bool RecallSetupFile(TShell& shell, const std::string& path, bool showErrors, bool* damaged = nullptr);
// The message of a refused recall of path: "File___NotFound", or "FileSDamaged" when damaged.
std::string SetupRecallFailure(const TShell& shell, const std::string& path, bool damaged);

// kind 0 the default setup file, 1 the in-memory "Factory" list, 2 the power-off setup file.
bool SaveSetup(TShell& shell, int kind, bool showErrors);
bool RecallSetup(TShell& shell, int kind, bool showErrors);
inline bool SaveDefaultSetup(TShell& shell) { return SaveSetup(shell, SetupKindDefault, false); }
inline bool RecallFactorySetup(TShell& shell) { return RecallSetup(shell, SetupKindFactory, false); }

// The extension of a waveform file format: 0 ".wfm", 1 ".txt", 2 ".txty"; other formats give text back.
std::string WaveformFileExt(int format, const std::string& text = {});

// The first "%s" (or "%d") of a language text replaced by the value.
std::string FormatLangText(std::string text, std::string_view value);

// --- the unit's state for the run: folders, names, the auto-name counter, the requests ---
class TSaveRecall {
public:
    static constexpr int MemoryCount = 4;

    explicit TSaveRecall(TShell& shell);
    ~TSaveRecall();
    TSaveRecall(const TSaveRecall&) = delete;
    TSaveRecall& operator=(const TSaveRecall&) = delete;

    // The "Save:" settings, in their order.
    void RegisterSaveCommands();
    // Enables the controls of the chosen file type.
    void SaveFileTypeChanged();

    // --- memories ---
    std::string MemoryFileName(int memory) const;  // memory 0..3
    // The source's record with its view settings into the memory; the memory is switched on, shown and
    // written to its file. False when the source holds nothing or the file could not be written.
    bool SaveSignalToMemory(int source, int memory);
    void SaveMemoCommand();
    void LoadMemoriesFromDisk();
    bool LoadWaveformBinary(int memory, const std::string& path, bool quiet);
    bool LoadWaveformText(int memory, const std::string& path);
    // Redraws a shown memory whose settings changed or that has no layer; frees the hidden ones.
    void UpdateMemorySignals();
    // Recomputes which items of "Save:Memo:On" may be chosen: those whose memory holds a record.
    void UpdateMemoryItemsEnabled();

    // --- waveform files ---
    // The deferred requests, in the housekeeping's order: memory save, disk save, disk load.
    void RunFileRequests();
    void SaveWaveformDialog();
    // The disk save without a dialog: the base name, numbered in Auto name mode, in the format; false
    // (after the message) when nothing was written.
    bool SaveWaveformFile(int format, bool autoName);
    void LoadWaveformDialog();
    // The disk load without a dialog, into the memory of "Save:Disk:ToMemo"; false (after the message)
    // when the file could not be read.
    bool LoadWaveformFile(int format, const std::string& name);
    // "Save" and "Load" of the disk page.
    void DiskSaveAction();
    void DiskLoadAction();

    // --- the waveform database (".cgs") ---
    // Creates the file with the empty record of the database source; false (after "WriteFileError")
    // leaves the database closed.
    bool CreateDatabaseFile(const std::string& path);
    // One acquisition of the database source counted.
    void AddToDatabase();
    // Writes the record to the file the database was created as and closes the database; a failure is
    // a message of the program's own (hint and log), which waits for nobody.
    void SaveDatabaseFile();
    // Reads one whole record and shows it; false after "DatabaseDamaged".
    bool LoadDatabaseFile(const std::string& path);
    // An open database is written (the acquisition stopped, or the program closes).
    void CloseDatabase();
    // Writes an open database once Run or Single, seen on since its creation, are off.
    void FollowRunState(bool running);
    const TWaveDatabase& Database() const { return *Database_; }
    bool DatabaseOpen() const { return DatabaseOpen_; }
    bool DatabaseLoaded() const { return DatabaseLoaded_; }

    // --- setup dialogs of the setup page ---
    void RecallSetupDialog();
    void SaveSetupDialog();

    // "Save:Setup:FileName" and "Save:Disk:FileName".
    // Answer false, changing nothing, for a name without a base name.
    bool SetSetupFileName(std::string_view text);
    bool SetDiskFileName(std::string_view text);
    // After a file type change: a type without a name of its own takes the name given last.
    void TakeLastDiskFileName();
    std::string DiskFileNameReply() const;

    // --- the run's state ---
    std::string SetupFolder;
    std::string WaveformFolder;
    std::string DatabaseFolder;
    std::string SetupName;     // full path with ".set"
    std::string WaveformBase;  // full path without extension
    std::string DatabaseBase;
    std::int32_t AutoCounter = 0;
    bool MemorySaveRequest = false;
    bool DiskSaveRequest = false;
    bool DiskLoadRequest = false;
    bool DiskSaveByCommand = false;
    bool DiskLoadByCommand = false;
    bool FileDialogOpen = false;

private:
    // The parts of RegisterSaveCommands, in the tree's order.
    void RegisterMemoCommands(TSpider& root);
    void RegisterDiskCommands(TCommandTree& tree);
    void RegisterSetupCommands(TSpider& root);
    void RegisterDatabaseObject(TCommandTree& tree);
    // "Save:Disk:Save": false when the save failed.
    bool DiskSaveCommand(THandler& h);
    int Choice(const char* path) const;
    void SetChoice(const char* path, int index);
    std::uint32_t MemoMask() const;
    void SetMemoBit(int memory, bool on);
    bool SourceIsOn(int source) const;
    void SetMemoryOn(int memory, bool on);
    void ShowLoadedHint(int memory, const std::string& path);

    TShell& Shell_;
    std::unique_ptr<TDerivedInputs> DerivedInputs_;
    std::unique_ptr<TDerivedSignals> Derived_;
    bool OpenDatabase(const std::string& path);
    // Notes the scales of the database just written to the path, for a load of that file in this run.
    void NoteDatabaseWritten(const std::string& path);
    // False when the database could not be created (after its message); a dialog cancelled is no failure.
    bool DatabaseSaveAction(bool withDialog);
    // "WriteFileError" for path, with the cause of an EFileError when given.
    std::string DatabaseWriteError(const std::string& path, std::string_view cause) const;
    bool PlaceDiskFileName(std::string_view text, bool db);
    // The folder a disk file name is placed below, by file type.
    const std::string& DiskNameFolder(bool db) const;
    bool DiskTypeIsDb() const;
    // False when the database could not be loaded (after its message); a dialog cancelled is no failure.
    bool DatabaseLoadAction(bool withDialog);
    // Asks for the database's file in the save or the open dialog and takes it; false when cancelled.
    bool AskDatabaseFile(bool save);

    std::unique_ptr<TWaveDatabase> Database_;
    bool DatabaseOpen_ = false;
    bool DatabaseLoaded_ = false;
    bool DatabaseRan_ = false;  // Run or Single were on since the database was created
    std::string DatabasePath_;  // the file the open database was created as
    std::string LastDiskFileName_;  // the text "Save:Disk:FileName" was given last
    // The file has no room for a database's horizontal scale and units: those of the files this run
    // wrote, by path, valid while the file keeps the time of that write.
    struct TWrittenDatabase {
        std::filesystem::file_time_type Written;
        double HorScale = 0;
        std::string HorUnit;
        std::string VertUnit;
    };
    std::map<std::string, TWrittenDatabase> WrittenDatabases_;
    // The database a line of the settings load under way named and that could not be read.
    std::string RefusedDatabase_;
    // The tree's hook after a settings load asks whether this state is still there.
    std::shared_ptr<bool> Alive_ = std::make_shared<bool>(true);
    std::array<std::int32_t, MemoryCount> Signatures_{};
    std::array<bool, MemoryCount> SignatureKnown_{};
};

// The feature: its registration and refresh rows, the start-up's memories, the instrument start's
// default setup, the idle housekeeping's memory and file rows, and the power-off setup at the close.
class TSaveRecallFeature : public TFeature {
public:
    void FillRows(TShell& shell) override;
    void AttachToProgram(TShell& shell) override { Shell_ = &shell; }
    void SavePowerOffSetup() override;
    // The close writes an open database.
    void BreakAcquisition(bool closing) override;

private:
    TShell* Shell_ = nullptr;
};

}  // namespace vt
