// Writes the seed corpora (fuzz/corpus/<target>) from the program's own writers: a waveform, a
// database, setups, the instrument list, the calibration file, the language file, a pattern-length
// list and an information file, as the program writes them. Run once when a format changes:
//   fuzz_write_seeds <fuzz/corpus>
#include <QApplication>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <numbers>

#include "acq/PatternLengthList.h"
#include "acq/SaveRecall.h"
#include "acq/SignalObj.h"
#include "acq/WaveformDatabase.h"
#include "core/CommandTree.h"
#include "core/LanguageFile.h"
#include "core/LanguageState.h"
#include "core/Shell.h"
#include "core/TextFiles.h"
#include "link/AdjustmentCommands.h"
#include "link/CommandSenders.h"
#include "link/DemoSimulator.h"
#include "link/InstrumentIdentity.h"
#include "link/InstrumentInfoFile.h"
#include "link/InstrumentLink.h"
#include "link/InstrumentList.h"
#include "program/ProgramLife.h"
#include "ui/MainBlock.h"
#include "ui/MainWindow.h"
#include "ui/ProgramFeatures.h"
#include "ui/UserDialogs.h"
#include "ui/VeltraneApplication.h"

namespace fs = std::filesystem;
using namespace vt;

namespace {

class TNobodyDialogs final : public TUserDialogs {
public:
    TDialogAnswer AskErrorYesNo(QWidget*, const QString&) override { return TDialogAnswer::No; }
    TDialogAnswer AskYesNoCancel(QWidget*, const QString&) override { return TDialogAnswer::Cancel; }
    void ShowError(QWidget*, const QString&) override {}
    void ShowMessage(QWidget*, const QString&) override {}
    bool ExecSaveDialog(QWidget*, TSaveDialogRequest&) override { return false; }
};

fs::path Target(const fs::path& corpus, const char* target) {
    fs::create_directories(corpus / target);
    return corpus / target;
}

void Copy(const fs::path& from, const fs::path& to) { fs::copy_file(from, to, fs::copy_options::overwrite_existing); }

void Waveforms(const fs::path& corpus) {
    auto record = std::make_unique<TSignalObj>();
    record->SetName("Ch1");
    record->SetLength(512);
    record->SetSampleInterval(1e-10);
    record->SetHorUnit("s");
    record->SetVertUnit("V");
    record->SetVertScale(0.1);
    for (int i = 0; i < 512; ++i) record->SetPoint(i, 0.2 * std::sin(2 * std::numbers::pi * i / 64));
    record->SaveBinary(Target(corpus, "waveform_wfm") / "sine512.wfm");
    record->SaveText(Target(corpus, "waveform_txt") / "sine512.txt", false);
    record->SaveText(Target(corpus, "waveform_txt") / "sine512.txty", true);
    record->SetLength(1024);
    record->SetTdrUnit(1);
    record->SaveBinary(Target(corpus, "waveform_wfm") / "tdr1024.wfm");
    record->SaveText(Target(corpus, "waveform_txt") / "tdr1024.txt", false);
}

void Database(const fs::path& corpus) {
    auto database = std::make_unique<TWaveDatabase>();
    database->Start(0, 0, 0.1);
    for (int i = 0; i < 5; ++i) database->Add(512);
    // The header and the first columns: the target fills the rest of a record with zero counters.
    const std::string bytes = database->Serialize();
    const std::size_t head = TWaveDatabase::HitsOffset + 3 * TWaveDatabase::Rows * 4;
    std::ofstream(Target(corpus, "database_cgs") / "ch1_head.cgs", std::ios::binary).write(bytes.data(), head);
}

void PatternLengths(const fs::path& corpus) {
    TPatternLengthItems items({});
    items.AddTypical();
    WritePatternLengthList(Target(corpus, "pattern_length_list") / PatternLengthListFile, items.Values());
}

void Instruments(const fs::path& corpus, const fs::path& work) {
    const fs::path file = work / kConfigurationFileName;
    TInstrumentList list(file);
    list.LoadInstrumentList({});
    TInstrumentProp lan;
    lan.Kind = TInstrumentLinkKind::Tcp;
    lan.Label = "Lab bench";
    list.Add("Instrument1", lan);
    TInstrumentProp demo;
    demo.Kind = TInstrumentLinkKind::Demo;
    list.Add("Demo1", demo);
    list.SaveInstrumentList();
    Copy(file, Target(corpus, "configuration_ini") / kConfigurationFileName);
    Copy(file, Target(corpus, "ini_file") / kConfigurationFileName);
    WriteDemoIdentity(work, "Default Demo", 1, GetModelFlashCode(4), false, 123, 10, 0x0F);
    Copy(work / kDemoUnitsFileName, Target(corpus, "ini_file") / kDemoUnitsFileName);
}

void Calibration(const fs::path& corpus, const fs::path& work) {
    TShell shell;
    shell.SetCommandTree(CreateCommandTree());
    shell.Folders.InstallFolder = work.string() + "/";
    shell.SetLink(MakeOwnedPart(std::make_unique<TInstrumentLink>()));
    shell.Link()->SetLinkKind(TInstrumentLinkKind::Demo);
    shell.SetIdentity(MakeOwnedPart(std::make_unique<TInstrumentIdentityUnit>(*shell.Link(), work)));
    shell.SetSenders(MakeOwnedPart(std::make_unique<TInstrumentSenders>(*shell.Link(), shell.Identity()->Identity)));
    shell.SetSimulator(MakeOwnedPart(std::make_unique<TTutorial>(shell)));
    for (const std::uint8_t type : {std::uint8_t{4}, std::uint8_t{8}}) {
        shell.Identity()->Identity.ModelType = type;
        shell.Identity()->Identity.Options = 0xFF;
        TCalibrAdjust adjust(shell);
        adjust.RegisterAdjustCommands();
        adjust.SetModelAdjustLimits();
        fs::remove(work / kCalibrImitFileName);
        adjust.StoreAdjustmentValues(0, true);
        adjust.StoreAdjustmentValues(1, true);
        // The target's first two bytes: the model (1 + byte % 8) and the options.
        const std::string model{static_cast<char>(type - 1), static_cast<char>(0xFF)};
        std::ofstream(Target(corpus, "calibration_file") / ("model" + std::to_string(type) + ".ini"), std::ios::binary)
            << model << ReadFileBytes(work / kCalibrImitFileName);
        shell.SetCommandTree(CreateCommandTree());
    }
}

void Languages(const fs::path& corpus, const fs::path& work) {
    TLanguageSetup setup;
    setup.DataRoot = work;
    setup.ConfigFolder = work / "config";
    setup.ShowMessage = [](const std::string&) {};
    setup.AskYesNo = [](const std::string&) { return false; };
    // The English file is written where a language list exists without it.
    std::ofstream(work / "Language-Vlt.Deu") << "[Common]\nCommon:Language=Deutsch\n";
    TLanguageState state(setup);
    state.InitLanguages();
    state.CreateEnglishLanguageFile();
    // The target reads its input as the user's chosen language: small files of the program's own
    // form, since every entry of a whole file is read per input.
    const TLangIniFile english(work / "Language-Vlt.Eng");
    int parts = 0;
    for (const std::string& section : english.ReadSections()) {
        TLangIniFile part(Target(corpus, "language_file") / ("part" + std::to_string(++parts) + ".Deu"));
        part.Clear();
        part.WriteLangString(kLangCommonSection, "Language", "Deutsch");
        int n = 0;
        for (const std::string& key : english.ReadSection(section)) {
            std::string raw, value;
            const std::string name = key.substr(section.size() + 1);
            if (++n > 24 || !english.FindRaw(section, name, raw) || !ReadLangValue(raw, value)) continue;
            part.WriteLangString(section, name, value);
        }
        part.WriteLangString("Morda_fr", "Menu Panel rmpTrig.lbswSource.Items", LangCommaText({"Ch1", "Ext Direct", "a,b"}));
        part.SaveUtf16();
    }
}

void InformationFile(const fs::path& corpus) {
    // The target takes its input apart into the instrument's replies; a reply of the identity as seed.
    std::ofstream(Target(corpus, "instrument_info") / "identity.bin", std::ios::binary)
        << std::string("\x01\x04\xFF\xDA\x07\x7B\x00", 7) << "3.10.4 (12 Mar 2010)\n"
        << "0.17\n00-1a-2b-3c-4d-5e\n0,10,20,30,40,50,60,70\n";
}

void Setups(TVeltraneApplication& app, const fs::path& corpus, const fs::path& work) {
    TShell shell;
    TProgramLife life(shell);
    TNobodyDialogs dialogs;
    TProgramFeatures features(shell, life, dialogs, {"Absent"}, 0);
    // The settings exist once the program's start-up is done.
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (!shell.AcqEnabled) return;
        poll.stop();
        SaveSetupFile(shell, (Target(corpus, "setup_file") / "absent.set").string(), false);
        // Command lines: each setting line of the setup, and the query of it, as clients send them.
        std::vector<std::string> lines;
        shell.CommandTree()->Root().SaveAllSettings(lines);
        // Sixteen lines to a seed: an input runs each of its lines.
        for (std::size_t first = 0; first < lines.size(); first += 16) {
            const std::string part = std::to_string(first / 16);
            std::ofstream commands(Target(corpus, "command_line") / ("settings" + part + ".txt"), std::ios::binary);
            std::ofstream queries(Target(corpus, "command_line") / ("queries" + part + ".txt"), std::ios::binary);
            for (std::size_t i = first; i < std::min(lines.size(), first + 16); ++i) {
                commands << lines[i] << "\n";
                queries << lines[i].substr(0, lines[i].find(' ')) << "?\n";
            }
        }
        std::ofstream(Target(corpus, "command_line") / "common.txt", std::ios::binary)
            << "*IDN?\nHEADER OFF\n*STOPSINGLE STOP\nSAVE:SETUP:FILENAME?\nSAVE:DISK:FILENAME?\nINSTR:LIST:COUNT?\n"
               "TRIG:SOURCE?;:CH1:SCALE 0.1;SCALE?\n";
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* window = dynamic_cast<TMorda_fr*>(w)) window->close();
    });
    poll.start(5);
    RunMainBlock(app, shell, life, {"--home", (work / "home").string(), "Absent"}, dialogs);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <corpus folder>\n", argv[0]);
        return 2;
    }
    const fs::path corpus = fs::absolute(argv[1]);
    std::string pattern = (fs::temp_directory_path() / "vt_seeds_XXXXXX").string();
    if (!mkdtemp(pattern.data())) return 1;
    const fs::path work(pattern);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("XDG_CONFIG_HOME", (work / "config").c_str(), 1);
    setenv("VELTRANE_HOME", (work / "home").c_str(), 1);
    int appArgc = 1;
    TVeltraneApplication app(appArgc, argv);
    Waveforms(corpus);
    Database(corpus);
    PatternLengths(corpus);
    Instruments(corpus, work);
    Calibration(corpus, work);
    Languages(corpus, work);
    InformationFile(corpus);
    Setups(app, corpus, work);
    fs::remove_all(work);
    return 0;
}
