#include "acq/WaveformSaves.h"

#include "acq/SignalSources.h"
#include "core/FileNamePlacement.h"
#include "core/Shell.h"

namespace vt {

namespace {

constexpr int SavedHintMs = 3000;
// Memory files are saved in passing: they show no hint.
constexpr const char* MemoryFileMark = "~memzona.no";

template <class Write>
bool SaveWaveform(TShell& shell, int source, const std::string& path, bool hint, const TBeforeSaveError& beforeError,
                  Write write) {
    TSignalRecords* records = shell.Records();
    // During a pass the record mixes it with the one before: the last ended pass's record is saved.
    const TSignalObj* record = records ? records->StoredRecord(source) : nullptr;
    const auto fail = [&](const std::string& text) {
        if (beforeError) {
            // One of the acquisition's own saves: the message holds nothing.
            if (beforeError(text)) shell.ShowProgramMessage(text);
        } else {
            shell.ReportError(text);
        }
        return false;
    };
    if (!record || !records->SignalsOn().IsOn(source)) return fail(shell.LangStr("SignalIsAbsent"));
    MakeFolderBelowRoot(path, shell.Folders.InstallFolder);
    if (!write(*record)) return fail(shell.LangStr("WriteFileError") + path + "\"");
    if (hint) shell.Display().PushHint(record->Name() + shell.LangStr("SavedInFile") + path, SavedHintMs);
    return true;
}

}  // namespace

bool TSaveErrorOnce::First(const std::string& text) {
    if (text == Said_) return false;
    Said_ = text;
    return true;
}

bool SaveWaveformBinary(TShell& shell, int source, const std::string& path, const TBeforeSaveError& beforeError) {
    const bool hint = path.find(MemoryFileMark) == std::string::npos;
    return SaveWaveform(shell, source, path, hint, beforeError,
                        [&](const TSignalObj& record) { return record.SaveBinary(path); });
}

bool SaveWaveformText(TShell& shell, int source, const std::string& path, bool yOnly,
                      const TBeforeSaveError& beforeError) {
    return SaveWaveform(shell, source, path, true, beforeError,
                        [&](const TSignalObj& record) { return record.SaveText(path, yOnly); });
}

}  // namespace vt
