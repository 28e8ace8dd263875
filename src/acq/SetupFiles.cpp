#include "acq/SaveRecall.h"

#include <system_error>

#include "core/AsciiText.h"
#include "core/CommandTree.h"
#include "core/FileNamePlacement.h"
#include "core/SettingReaders.h"
#include "core/Shell.h"
#include "core/TextFiles.h"
#include "core/TextHelpers.h"
#include "core/UndoBuffer.h"
#include "link/UtilSettings.h"

namespace vt {

namespace fs = std::filesystem;

namespace {

std::string InstrumentFilePart(std::string_view name) { return FileNameEscaped(RemoveBlanks(name)); }

bool ContainsNoCase(std::string_view text, std::string_view part) {
    return UpperCase(text).find(part) != std::string::npos;
}

// Whether a value holds a ";" outside quotes: a second command on the line.
bool HoldsSecondCommand(std::string_view value) {
    bool quoted = false;
    for (const char c : value) {
        if (c == '"') quoted = !quoted;
        if (c == ';' && !quoted) return true;
    }
    return false;
}

// A line a recall may apply: one value of a saveable setting of this tree, never an action.
bool AppliesAsSetting(TCommandTree& tree, std::string_view header, std::string_view value) {
    if (header.empty() || header.front() == '*' || header.front() == ':') return false;
    if (ContainsNoCase(header, "SHADOW") || ContainsNoCase(header, "FLASH:") || ContainsNoCase(header, "INSTR:"))
        return false;
    if (HoldsSecondCommand(value)) return false;
    THandler* h = tree.Resolve(header);
    if (!h || h->NoSave()) return false;
    return !dynamic_cast<TRightCommandHandler*>(h) && !dynamic_cast<TMainCommandHandler*>(h) &&
           !dynamic_cast<TGpibStringHandler*>(h);
}

// One undo step for the whole list (the mask object's state first), the lines applied, the delay
// controls refreshed from their settings.
void ApplySetupLines(TShell& shell, const std::vector<std::string>& lines) {
    TCommandTree* tree = shell.CommandTree();
    if (!tree) return;
    if (TUndoBuffer* undo = shell.UndoBuffer()) undo->BeginStep();
    if (auto* mask = FindSetting<TComplexObjectHandler>(tree, "NOGPIB:Mask")) mask->SaveStateForUndo(true);
    tree->Root().LoadAllSettings(lines);
    for (const char* path : {"TB:Delay", "TB:BitDelay"})
        if (THandler* h = tree->Resolve(path)) h->NotifySwitchers();
}

}  // namespace

// ------------------------------------------------------------------------------------------ setups

std::string FormatLangText(std::string text, std::string_view value) {
    for (const char* mark : {"%s", "%d"}) {
        const std::size_t at = text.find(mark);
        if (at != std::string::npos) return text.replace(at, 2, value);
    }
    return text;
}

std::string DefaultSetupFileName(const TShell& shell) {
    return shell.Folders.SetupFilesFolder + "~SetpDefaultFor" + InstrumentFilePart(shell.StartInstrumentName) + ".set";
}

std::string PowerOffSetupFileName(const TShell& shell) {
    return shell.Folders.SetupFilesFolder + "~SetpPwrOffFor" + InstrumentFilePart(shell.StartInstrumentName) + ".set";
}

bool SaveSetupFile(TShell& shell, const std::string& path, bool showErrors) {
    TCommandTree* tree = shell.CommandTree();
    std::vector<std::string> list;
    if (tree) tree->Root().SaveAllSettings(list);
    std::string text;
    for (const std::string& line : list) {
        text += line;
        text += '\n';
    }
    try {
        if (!tree) throw EFileError("no settings");
        MakeFolderBelowRoot(path, shell.Folders.InstallFolder);
        WriteFileAtomic(path, text);
    } catch (const EFileError&) {
        if (showErrors) shell.User().ShowMessage(FormatLangText(shell.LangStr("File___NotSaved"), path));
        return false;
    }
    return true;
}

TSetupFileCheck CheckSetupText(TShell& shell, std::string_view bytes) {
    TSetupFileCheck check;
    auto damaged = [&check] {
        check.Damaged = true;
        check.Lines.clear();
        return check;
    };
    for (const char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x20 && c != '\t' && c != '\r' && c != '\n') return damaged();
    }
    TCommandTree* tree = shell.CommandTree();
    const std::string text = DecodeText(bytes);
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        std::string_view line(text.data() + pos, end - pos);
        pos = end + 1;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        const std::size_t first = line.find_first_not_of(" \t");
        if (first == std::string_view::npos) continue;
        line.remove_prefix(first);
        const std::size_t blank = line.find(' ');
        if (blank == std::string_view::npos) return damaged();
        if (!tree || !AppliesAsSetting(*tree, line.substr(0, blank), line.substr(blank + 1))) {
            ++check.SkippedLines;
            continue;
        }
        check.Lines.emplace_back(line);
    }
    return check;
}

std::string SetupRecallFailure(const TShell& shell, const std::string& path, bool damaged) {
    return FormatLangText(shell.LangStr(damaged ? "FileSDamaged" : "File___NotFound"), path);
}

bool RecallSetupFile(TShell& shell, const std::string& path, bool showErrors, bool* damaged) {
    if (damaged) *damaged = false;
    auto fail = [&](const char* key) {
        if (damaged) *damaged = std::string_view(key) == "FileSDamaged";
        if (showErrors) shell.User().ShowErrorDlg(FormatLangText(shell.LangStr(key), path));
        return false;
    };
    std::error_code ec;
    const std::uintmax_t size = fs::file_size(path, ec);
    if (ec) return fail("File___NotFound");
    if (size > MaxSetupFileBytes) return fail("FileSDamaged");
    std::string bytes;
    try {
        bytes = ReadFileBytes(path);
    } catch (const EFileError&) {
        return fail("File___NotFound");
    }
    if (bytes.size() > MaxSetupFileBytes) return fail("FileSDamaged");
    const TSetupFileCheck check = CheckSetupText(shell, bytes);
    if (check.Damaged) return fail("FileSDamaged");
    if (!shell.CommandTree()) return fail("File___NotFound");
    ApplySetupLines(shell, check.Lines);
    return true;
}

bool SaveSetup(TShell& shell, int kind, bool showErrors) {
    switch (kind) {
        case SetupKindDefault: return SaveSetupFile(shell, DefaultSetupFileName(shell), showErrors);
        case SetupKindFactory:
            shell.FactorySetup.clear();
            if (TCommandTree* tree = shell.CommandTree()) tree->Root().SaveAllSettings(shell.FactorySetup);
            return true;
        default: return SaveSetupFile(shell, PowerOffSetupFileName(shell), showErrors);
    }
}

bool RecallSetup(TShell& shell, int kind, bool showErrors) {
    bool done = true;
    switch (kind) {
        case SetupKindDefault:
            done = RecallSetupFile(shell, DefaultSetupFileName(shell), showErrors);
            ApplyGssDefaultsForLink(shell);
            break;
        case SetupKindFactory:
            ApplySetupLines(shell, shell.FactorySetup);
            ApplyGssDefaultsForLink(shell);
            break;
        default: done = RecallSetupFile(shell, PowerOffSetupFileName(shell), showErrors); break;
    }
    shell.InstrumentStartSteps.RunRow(shell, TInstrumentStartRow::UpdateHoldoffTracking);
    return done;
}

}  // namespace vt
