// The user-mask file actions of the mask test feature.
#include <exception>
#include <filesystem>
#include <system_error>

#include "core/DotNumberText.h"
#include "core/FileNamePlacement.h"
#include "core/IniFiles.h"
#include "core/SettingReaders.h"
#include "core/Shell.h"
#include "serial/MaskFiles.h"
#include "serial/MaskTest.h"

namespace vt {

namespace {
constexpr int TimebaseModeB = 2;  // "A,AB,B"
}

void TMaskTest::SaveUserMaskFile(const std::string& path) {
    TCommandTree* tree = Shell_.CommandTree();
    TUserMaskScales scales;
    scales.TB = ReadChoiceSetting(tree, "TB:Mode", 0) == TimebaseModeB ? ReadRealSetting(tree, "TB:ScaleB", 0)
                                                                        : ReadRealSetting(tree, "TB:ScaleA", 0);
    scales.VDiv = ReadRealSetting(tree, "Ch1:Scale", 0);
    scales.V0 = ReadRealSetting(tree, "Ch1:Offset", 0);
    try {
        const std::filesystem::path file(path);
        MakeFolderBelowRoot(path, Shell_.Folders.InstallFolder);
        // A fresh file: keys of an older file at that name would survive the rewrite otherwise.
        TMemIniFile_Dot out(file);
        out.Clear();
        WriteUserMask(out, Mask_, scales);
        out.UpdateFile();
    } catch (const std::exception&) {
        Shell_.ReportError(Shell_.LangStr("DontCreateFile") + path);
        return;
    }
    RefreshStdMaskFamily();
}

namespace {
std::string MaskFileText(TShell& shell, const char* key, const std::string& path) {
    try {
        return FormatDot(shell.LangStr(key), path);
    } catch (const EConvertError&) {  // a language file's pattern that does not fit
        return shell.LangStr(key) + " " + path;
    }
}
}  // namespace

void TMaskTest::ReportMaskFileError(const std::string& path) { Shell_.ReportError(MaskFileText(Shell_, "ErrMask6S", path)); }

void TMaskTest::RecallUserMaskFile(const std::string& path) {
    std::optional<TCurrentMask> read;
    try {
        if (std::filesystem::is_regular_file(path)) read = ReadUserMask(TMemIniFile_Dot(path));
    } catch (const std::exception&) {
        read.reset();
    }
    // The file is checked whole before anything goes: a file that fails leaves the mask as it was.
    if (!read) {
        ReportMaskFileError(path);
        return;
    }
    Mask_.AddPolygonMode = false;
    SaveMaskStateForUndo();
    ClearCurrentMask();
    Mask_.Kind = read->Kind;
    Mask_.Marg = 0;
    Mask_.TB = read->TB;
    Mask_.X0 = 0;
    Mask_.VDiv = read->VDiv;
    Mask_.V0 = read->V0;
    Mask_.Polygons = read->Polygons;
    Mask_.SetPolygonCount(read->PolygonCount);
    Mask_.MarginPolygonCount = 0;
    if (Mask_.PolygonCount != 0) ActivateMask();
    Shell_.Display().TopTextUpdateAll();
    // A file without polygons is a mask of its own, the empty one: the user learns the mask went.
    if (Mask_.PolygonCount == 0) Shell_.ReportError(MaskFileText(Shell_, "MaskFileNoPolygons", path));
}

}  // namespace vt
