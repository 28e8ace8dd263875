#include "acq/AcqSettings.h"

#include <algorithm>
#include <memory>
#include <optional>

#include "acq/SignalAcq.h"
#include "acq/SignalSources.h"
#include "core/CommandTree.h"
#include "core/EngineeringText.h"
#include "core/FileNamePlacement.h"
#include "core/SettingReaders.h"
#include "core/Shell.h"
#include "link/CommandSenders.h"
#include "link/InstrumentLink.h"

namespace vt {

namespace {

constexpr const char* MenuSelPath = "SHADOW:Acq:MenuSel";
constexpr const char* LNonChangedPath = "SHADOW:Acq:LNonChanged";
constexpr const char* FitToPath = "Acq:FitTo";
constexpr const char* SamplPath = "Acq:Sampl";
constexpr const char* RunUntilPath = "Acq:RunUntil";
constexpr const char* NAcqPath = "Acq:NAcq";
constexpr const char* ReactPath = "Acq:React";
constexpr const char* FileFormatPath = "Acq:FileFormat";
constexpr const char* FileNamePath = "Acq:FileName";

enum : std::uint32_t { reactBeep = 1u, reactSave = 2u };
enum : int { samplSimult = 0, samplAltern = 1 };
enum : int { runUntilStopBtn = 0, runUntilNAcq = 1 };
enum : int { fitToMulti = 0, fitToSingle = 1 };

// Start values of timebase settings that may not be registered.
constexpr double TBScaleAStart = 1e-8;
constexpr double TBScaleBStart = 2e-9;
constexpr int TBModeB = 2;  // "A,AB,B" of `TB:Mode`

constexpr int PeakRecordLength = 512;

int ChannelOf(int channel) { return channel == ChannelIndex2 ? 2 : 1; }

TCommandTree* Tree(TShell& shell) { return shell.CommandTree(); }

template <class T>
T* ChannelSetting(TShell& shell, int channel, const char* name) {
    return FindSetting<T>(Tree(shell), AcqChannelPath(channel, name));
}

bool ChannelOn(TShell& shell, int source) {
    const TSignalRecords* records = shell.Records();
    return records && records->SignalsOn().IsOn(source);
}

// Whether a switch is off; a choice is off at its first item.
bool SwitchOff(THandler* h) {
    if (const auto* onOff = dynamic_cast<TOnOffHandler*>(h)) return !onOff->GetOn();
    if (const auto* radio = dynamic_cast<TRadioSwHandler*>(h)) return radio->GetItemIndex() == 0;
    return true;
}

// The per-channel settings that decide whether both channels can be acquired alike: the deskew
// (which the channel menu ties to the alternate mode) and whether each channel is the instrument's or
// a simulated source. An unregistered setting reads equal.
bool ChannelSettingsAgree(TShell& shell) {
    TCommandTree* tree = Tree(shell);
    const auto* d1 = FindSetting<TEditHandler>(tree, "Ch1:Deskew");
    const auto* d2 = FindSetting<TEditHandler>(tree, "Ch2:Deskew");
    if (d1 && d2 && d1->GetValueAsDouble() != d2->GetValueAsDouble()) return false;
    THandler* g1 = tree ? tree->Resolve("GSS:Ch1") : nullptr;
    THandler* g2 = tree ? tree->Resolve("GSS:Ch2") : nullptr;
    return !(g1 && g2) || SwitchOff(g1) == SwitchOff(g2);
}

int EffectiveChannel(TShell& shell, int channel) {
    return AcqSettingsShared(shell) ? ChannelIndex1 : channel;
}

void Break(TShell& shell) {
    if (TInstrumentLink* link = shell.Link()) link->BreakAcquisition(true);
}

void SetDisabled(THandler* h, bool disabled) {
    if (h) h->SetDisabled(disabled);
}

TAcqFileNameHandler* FileNameHandler(TShell& shell) { return FindSetting<TAcqFileNameHandler>(Tree(shell), FileNamePath); }

// The availability of a channel's settings by its mode; the mode itself is not read through the
// shared settings, since each channel keeps its own.
void ApplyModeAvailability(TShell& shell, int channel) {
    const int mode = GetItemIndex(ChannelSetting<TRadioSwHandler>(shell, channel, "Mode"));
    const bool hidden = channel == ChannelIndex2 && AcqSettingsShared(shell);
    const bool averaging = mode == amAvgStab || mode == amAvgMult || mode == amAvgMedian;
    const bool envelope = mode == amEnvMinMax || mode == amEnvMax || mode == amEnvMin;
    auto* navg = ChannelSetting<TEditHandler>(shell, channel, "NAvg");
    SetDisabled(navg, hidden || !averaging);
    if (navg) navg->SetMinValue(mode == amAvgMedian ? 8 : 2);
    SetDisabled(ChannelSetting<THandler>(shell, channel, "NEnv"), hidden || !envelope);
    SetDisabled(ChannelSetting<THandler>(shell, channel, "PkInterval"), hidden || mode != amPeak);
    SetDisabled(ChannelSetting<THandler>(shell, channel, "RecLen"), hidden || mode == amPeak);
}

void SendRecordLength(TShell& shell, int channel) {
    if (TInstrumentSenders* senders = shell.Senders())
        senders->SendAcqRecordLength(static_cast<std::uint16_t>(GetAcqCount(shell, channel)));
}

void ModeChanged(TShell& shell, TSignalAcq& acq, int channel) {
    acq.SetRedrawFlags();
    Break(shell);
    ApplyModeAvailability(shell, channel);
    shell.Display().TopTextUpdateAll();
    Break(shell);
    SendRecordLength(shell, channel);
}

void SamplChanged(TShell& shell, TSignalAcq& acq) {
    Break(shell);
    acq.SetRedrawFlags();
    const bool on1 = ChannelOn(shell, ssCh1);
    const bool on2 = ChannelOn(shell, ssCh2);
    TCommandTree* tree = Tree(shell);
    SetDisabled(FindSetting<THandler>(tree, SamplPath), !(on1 && on2 && ChannelSettingsAgree(shell)));
    const bool shared = AcqSettingsShared(shell);
    auto* menuSel = FindSetting<TRadioSwHandler>(tree, MenuSelPath);
    SetDisabled(menuSel, shared || !(on1 && on2));
    if (menuSel) {
        if (shared || (on1 && !on2)) menuSel->SetItemIndex(0);
        else if (on2 && !on1) menuSel->SetItemIndex(1);
    }
    SetDisabled(ChannelSetting<THandler>(shell, ChannelIndex2, "Mode"), shared);
    ModeChanged(shell, acq, ChannelIndex2);
    shell.Display().TopTextUpdateAll();
}

void RunUntilChanged(TShell& shell) {
    TCommandTree* tree = Tree(shell);
    const bool nacq = ReadChoiceSetting(tree, RunUntilPath, runUntilStopBtn) == runUntilNAcq;
    SetDisabled(FindSetting<THandler>(tree, NAcqPath), !nacq);
    SetDisabled(FindSetting<THandler>(tree, ReactPath), !nacq);
}

// While Save is on, automatic saves need a prefix: without one they would land in the working folder.
void EnsurePrefixWhileSaving(TShell& shell) {
    if (!AcqEndSaveOn(shell)) return;
    if (TAcqFileNameHandler* name = FileNameHandler(shell); name && name->Prefix().empty()) name->SetFileName("");
}

void OpenSaveDialog(TShell& shell, TCheckSwHandler& react) {
    TAcqFileNameHandler* name = FileNameHandler(shell);
    auto* format = FindSetting<TRadioSwHandler>(Tree(shell), FileFormatPath);
    TSaveDialogRequest request;
    request.Title = shell.LangStr("SaveWaveformAs");
    request.Filter = AcqFileFilter;
    request.FilterIndex = GetItemIndex(format);
    if (name) {
        request.Name = name->Prefix();
        request.Folder = name->Folder();
    }
    if (!shell.User().ExecSaveDialog(request)) {
        react.SetBit(1, false);
        return;
    }
    if (format) format->SetItemIndex(request.FilterIndex);
    if (name) name->SetFileName(request.Name);
}

}  // namespace

std::string AcqChannelPath(int channel, const char* name) {
    return "Acq:Ch" + std::to_string(ChannelOf(channel)) + ":" + name;
}

// ------------------------------------------------------------------------------------- file name

TAcqFileNameHandler::TAcqFileNameHandler(std::string folder, std::string root)
    : Folder_(std::move(folder)), Root_(std::move(root)) {}

void TAcqFileNameHandler::ExecuteCommand(std::string_view parameter, bool isQuery, std::string& reply, bool internal) {
    if (parameter.empty() && !isQuery) return;
    if (!parameter.empty()) {
        MarkWho(internal);
        const std::string before = Prefix_;
        SetFileName(parameter);
        // A setup's recall is undone whole, this name with it.
        if (Prefix_ != before && UndoWanted()) SaveForUndo(ShownValueOf(before));
    }
    if (!isQuery) return;
    if (Tree() == nullptr || Tree()->HeaderOn()) reply += ' ';
    reply += ShownValue();
}

bool TAcqFileNameHandler::SetFileName(std::string_view name) {
    std::optional<std::string> prefix = PrefixOf(name);
    if (!prefix) return false;
    Prefix_ = std::move(*prefix);
    return true;
}

std::optional<std::string> TAcqFileNameHandler::PrefixOf(std::string_view name) const {
    while (!name.empty() && name.front() == ' ') name.remove_prefix(1);
    while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
    // The shown value, as a setup file holds it: the prefix before its "*".
    for (const std::string_view shown : {"*.wfm", "*.txt", "*.txty"}) {
        if (name.size() < shown.size() || name.substr(name.size() - shown.size()) != shown) continue;
        name.remove_suffix(shown.size());
        if (name.empty()) return std::string();
        break;
    }
    if (name.empty()) return Prefix_.empty() ? Folder_ + "Noname" : Prefix_;
    std::optional<std::string> placed = PlaceFileName(name, Folder_, Root_);
    if (!placed) return std::nullopt;
    std::string path = std::move(*placed);
    const std::size_t base = path.rfind('/') + 1;
    const std::size_t dot = path.rfind('.');
    if (dot != std::string::npos && dot > base) path.erase(dot);
    return path;
}

std::string TAcqFileNameHandler::ShownValue() const { return ShownValueOf(Prefix_); }

std::string TAcqFileNameHandler::ShownValueOf(const std::string& prefix) const {
    static constexpr const char* Extensions[] = {".wfm", ".txt", ".txty"};
    const int format = std::clamp(ReadChoiceSetting(Tree(), FileFormatPath, 0), 0, 2);
    return prefix + "*" + Extensions[format];
}

// ---------------------------------------------------------------------------------- registration

void CreateAcqHandlers(TShell& shell, TSignalAcq& acq) {
    TSpider& root = shell.CommandTree()->Root();
    TShell* s = &shell;
    TSignalAcq* engine = &acq;
    root.AddRadioHandler(MenuSelPath, {.Items = "Ch1,Ch2"}).SetNoSave(true);
    root.AddIntEditHandler(LNonChangedPath, {.Initial = PeakRecordLength,
                                             .Config = {.Minimum = PeakRecordLength,
                                                        .Default = PeakRecordLength,
                                                        .Maximum = PeakRecordLength}})
        .SetNoSave(true);
    root.AddRadioHandler(FitToPath, {.Items = "Multi,Single", .AfterChange = [s, engine](THandler&) {
                                         Break(*s);
                                         engine->SetRedrawFlags();
                                         s->Display().TopTextUpdateAll();
                                         if (s->Trigger.ApplyHoldoffMinimum) s->Trigger.ApplyHoldoffMinimum();
                                         WriteRealSetting(s->CommandTree(), "Trig:Holdoff", AcqFitToHoldoff);
                                     }});
    root.AddRadioHandler(SamplPath,
                         {.Items = "Simult,Altern", .AfterChange = [s, engine](THandler&) { SamplChanged(*s, *engine); }});
    root.AddRadioHandler(RunUntilPath, {.Items = "StopBtn,NAcq", .AfterChange = [s](THandler&) { RunUntilChanged(*s); }});
    root.AddIntEditHandler(NAcqPath, {.Initial = 32,
                                      .Config = {.Minimum = 1,
                                                 .Default = 32,
                                                 .Maximum = 65535,
                                                 .CoarseKind = skPowerOf2,
                                                 .FineStep = 1,
                                                 .FineKind = skGrid}});
    // The bits before the change, for the after-change to see which were newly set.
    auto oldReact = std::make_shared<std::uint32_t>(0);
    root.AddCheckHandler(ReactPath, {.Items = "Beep,Save",
                                     .BeforeChange = [oldReact](THandler& h) {
                                         *oldReact = static_cast<TCheckSwHandler&>(h).GetMask();
                                     },
                                     .AfterChange = [s, oldReact](THandler& h) {
                                         auto& react = static_cast<TCheckSwHandler&>(h);
                                         const std::uint32_t now = react.GetMask();
                                         const std::uint32_t was = *oldReact;
                                         *oldReact = now;
                                         if ((now & reactBeep) && !(was & reactBeep)) s->User().Beep();
                                         if ((now & reactSave) && !(was & reactSave) &&
                                             react.GetWhoChangedRaw() == wcvSwitcher)
                                             OpenSaveDialog(*s, react);
                                         EnsurePrefixWhileSaving(*s);
                                     }});
    root.AddRadioHandler(FileFormatPath, {.Items = "Binary,Verbose,YOnly"});
    // A name the placement refuses replies "ERROR", asked with a query or a setup line too.
    root.AddRefusing<TAcqFileNameHandler>(
        FileNamePath,
        {.Refuses = [](const TAcqFileNameHandler& self, std::string_view value) { return !self.PrefixOf(value); },
         .SetupLinesToo = true,
         .QueriesToo = true,
         .Untrimmed = true},
        shell.Folders.WaveformFilesFolder, shell.Folders.InstallFolder);

    for (int ch : {ChannelIndex1, ChannelIndex2})
        root.AddRadioHandler(AcqChannelPath(ch, "Mode"),
                             {.Items = AcqModeItems, .AfterChange = [s, engine, ch](THandler&) { ModeChanged(*s, *engine, ch); }});
    for (int ch : {ChannelIndex1, ChannelIndex2})
        root.AddIntEditHandler(AcqChannelPath(ch, "NAvg"),
                               {.Initial = 2,
                                .Config = {.Minimum = 2, .Default = 32, .Maximum = 4096, .CoarseKind = skPowerOf2},
                                .AfterChange = [s](THandler& h) {
                                    Break(*s);
                                    s->Display().TopTextUpdateAll();
                                    if (TInstrumentSenders* senders = s->Senders())
                                        senders->SendAcqAverages(
                                            static_cast<std::uint16_t>(static_cast<TIntEditHandler&>(h).GetValue()));
                                }});
    for (int ch : {ChannelIndex1, ChannelIndex2})
        root.AddIntEditHandler(
            AcqChannelPath(ch, "NEnv"),
            {.Initial = 2,
             .Config = {.Minimum = 2,
                        .Default = 32,
                        .Maximum = 8192,
                        .CoarseKind = skPowerOf2,
                        .OnFormat = [s](TEditHandler& h, double v) {
                            if (v > AcqEnvContinuousAbove) return s->LangStr("Continuously");
                            return FloatToEngStr(h.FormatMode(), h.Digits(), true, false, v) + h.Units();
                        }},
             .AfterChange = [s](THandler&) {
                 Break(*s);
                 s->Display().TopTextUpdateAll();
             }});
    for (int ch : {ChannelIndex1, ChannelIndex2})
        root.AddDoubleEditHandler(AcqChannelPath(ch, "PkInterval"),
                                  {.Initial = 1e-10,
                                   .Config = {.Minimum = 2e-11,
                                              .Default = 1e-8,
                                              .Maximum = 1e-5,
                                              .CoarseKind = sk125,
                                              .Resolution = 1e-12,
                                              .Units = "s",
                                              .FormatMode = 3,
                                              .Digits = 5},
                                   .AfterChange = [s](THandler&) {
                                       Break(*s);
                                       s->Display().TopTextUpdateAll();
                                   }});
    for (int ch : {ChannelIndex1, ChannelIndex2})
        root.AddIntEditHandler(AcqChannelPath(ch, "RecLen"),
                               {.Initial = 512,
                                .Config = {.Minimum = 32, .Default = 512, .Maximum = 4096, .CoarseKind = skPowerOf2},
                                .AfterChange = [s, engine, ch](THandler&) {
                                    engine->SetRedrawFlags();
                                    Break(*s);
                                    s->Display().TopTextUpdateAll();
                                    SendRecordLength(*s, ch);
                                }});
}

void RefreshAcqHandlers(TShell& shell, TSignalAcq& acq) {
    ModeChanged(shell, acq, ChannelIndex1);
    SamplChanged(shell, acq);  // runs the change of Ch2's mode
    RunUntilChanged(shell);
    EnsurePrefixWhileSaving(shell);
}

// ------------------------------------------------------------------------------------------ getters

bool AcqSettingsShared(TShell& shell) {
    return ReadChoiceSetting(Tree(shell), SamplPath, samplSimult) == samplSimult && ChannelOn(shell, ssCh1) &&
           ChannelOn(shell, ssCh2) && ChannelSettingsAgree(shell);
}

int GetAcqMode(TShell& shell, int channel) {
    return GetItemIndex(ChannelSetting<TRadioSwHandler>(shell, EffectiveChannel(shell, channel), "Mode"));
}

int GetAcqIntSetting(TShell& shell, int channel) {
    return static_cast<int>(ReadRealSetting(Tree(shell), AcqChannelPath(EffectiveChannel(shell, channel), "NAvg"), 2));
}

double GetAcqRealSetting(TShell& shell, int channel) {
    return ReadRealSetting(Tree(shell), AcqChannelPath(EffectiveChannel(shell, channel), "PkInterval"), 1e-10);
}

int GetAcqCount(TShell& shell, int channel) {
    if (GetAcqMode(shell, channel) == amPeak)
        return static_cast<int>(ReadRealSetting(Tree(shell), LNonChangedPath, PeakRecordLength));
    return static_cast<int>(ReadRealSetting(Tree(shell), AcqChannelPath(EffectiveChannel(shell, channel), "RecLen"), 512));
}

int GetAcqAccumulationCount(TShell& shell, int channel) {
    switch (GetAcqMode(shell, channel)) {
        case amAvgStab: return GetAcqIntSetting(shell, channel);
        case amEnvMinMax:
        case amEnvMax:
        case amEnvMin: {
            const int n =
                static_cast<int>(ReadRealSetting(Tree(shell), AcqChannelPath(EffectiveChannel(shell, channel), "NEnv"), 2));
            return n > AcqEnvContinuousAbove ? AcqEnvContinuousCount : n;
        }
        default: return 1;
    }
}

double GetPeakDetectInterval(TShell& shell, int channel) {
    TCommandTree* tree = Tree(shell);
    const double scale = ReadChoiceSetting(tree, "TB:Mode", 0) == TBModeB ? ReadRealSetting(tree, "TB:ScaleB", TBScaleBStart)
                                                                          : ReadRealSetting(tree, "TB:ScaleA", TBScaleAStart);
    return scale / 25 / GetAcqRealSetting(shell, channel);
}

bool AcqIsPlainSampling(TShell& shell, bool autoScaleRunning) {
    return !(ReadChoiceSetting(Tree(shell), FitToPath, fitToMulti) == fitToSingle && !autoScaleRunning);
}

bool AcqEndBeepOn(TShell& shell) { return (ReadMaskSetting(Tree(shell), ReactPath, 0) & reactBeep) != 0; }
bool AcqEndSaveOn(TShell& shell) { return (ReadMaskSetting(Tree(shell), ReactPath, 0) & reactSave) != 0; }

int AcqMenuChannel(TShell& shell) {
    return ReadChoiceSetting(Tree(shell), MenuSelPath, 0) == 1 ? ChannelIndex2 : ChannelIndex1;
}

std::string AcqFilePrefix(TShell& shell) {
    const TAcqFileNameHandler* name = FileNameHandler(shell);
    return name ? name->Prefix() : std::string();
}

void SyncSampleMode(TShell& shell) {
    if (TInstrumentSenders* senders = shell.Senders())
        senders->SendAcqSampleModeIfChanged(
            static_cast<std::uint8_t>(ReadChoiceSetting(Tree(shell), FitToPath, fitToMulti)));
}

}  // namespace vt
