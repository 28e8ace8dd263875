// The limit test through the command tree over the engine's pass: four listed measurements with
// statistics, judged against bounds derived by hand from records of known values; the verdicts of
// "Limit:If" with their actions, NotFound, the run-until conditions and the mended faults.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <optional>

#include "MeasListTestSupport.h"
#include "analysis/Limit.h"
#include "analysis/MeasCalc.h"
#include "analysis/HisticonStatistics.h"
#include "core/EditHandlers.h"
#include "core/InternalError.h"

using namespace vt;
using namespace vt::test;

namespace {

class TCountingUser : public TUserServices {
public:
    TCountingUser(int& beeps, std::vector<TSaveDialogRequest>& asked, std::optional<TSaveDialogRequest>& answer)
        : Beeps_(beeps), Asked_(asked), Answer_(answer) {}
    void Beep() override { ++Beeps_; }
    void ShowErrorDlg(const std::string& text) override { Asked_.push_back({.Title = text, .Filter = "error", .FilterIndex = 0, .Name = {}, .Folder = {}}); }
    void ShowNonModalError(const std::string& text) override { Asked_.push_back({.Title = text, .Filter = "box", .FilterIndex = 0, .Name = {}, .Folder = {}}); }
    // The dialog records what it was asked and gives the scripted choice, or is cancelled.
    bool ExecSaveDialog(TSaveDialogRequest& request) override {
        Asked_.push_back(request);
        if (!Answer_) return false;
        request = *Answer_;
        return true;
    }

private:
    int& Beeps_;
    std::vector<TSaveDialogRequest>& Asked_;
    std::optional<TSaveDialogRequest>& Answer_;
};

// Zeros with one point at top and one at bottom: Max is top, Min is bottom.
std::vector<double> Peaks(double top, double bottom) {
    std::vector<double> v(1000, 0.0);
    v[100] = top;
    v[600] = bottom;
    return v;
}

// A square wave between -1 V and 1 V, 100 points a period: a period of 100 ps at 1 ps a point.
std::vector<double> Square() {
    std::vector<double> v(1000);
    for (int i = 0; i < 1000; ++i) v[static_cast<std::size_t>(i)] = (i % 100) < 50 ? -1.0 : 1.0;
    return v;
}

struct TLimitRig : TMeasListRig {
    TLimitRig() {
        List().SetLimitTest(&Limit());
        Shell.SetUserServices(std::make_unique<TCountingUser>(Beeps, Asked, Answer));
        Shell.RunOn = true;
    }
    TLimitTest& Limit() { return Services->Measurements().LimitTest(); }
    // New records, measured and tested once.
    void Acquire(double ch1Max, bool ch2Square) {
        SetRecord(ssCh1, Peaks(ch1Max, -1.0));
        SetRecord(ssCh2, ch2Square ? Square() : std::vector<double>(1000, 0.25));
        Do("Meas:SingleMeas");
        Pass();
    }
    int Beeps = 0;
    std::vector<TSaveDialogRequest> Asked;
    std::optional<TSaveDialogRequest> Answer;
};

}  // namespace

TEST(LimitTest, VerdictsActionsAndRunUntilThroughTheCommandTree) {
    TLimitRig rig;
    rig.Do("Meas:Display Statistic");
    // Slots: Max (Ch1), Min (Ch1), Period (Ch2), Max (Ch2).
    for (const char* c : {"Meas:Ch1:YParam Max ON", "Meas:Ch1:YParam Min ON", "Meas:Ch2:XParam Period ON",
                          "Meas:Ch2:YParam Max ON"})
        rig.Do(c);
    rig.Acquire(2.0, true);
    ASSERT_EQ(rig.List().Count(), 4);
    for (int slot = 0; slot < 4; ++slot) ASSERT_NE(rig.List().Slot(slot)->Statistics, nullptr) << slot;
    EXPECT_EQ(rig.Do("Limit1:Res?"), "LIMIT TEST FOR PARAMETER IS PASSIVE");

    // Slot 0: centre 2.0 by the user, 20 % of it each way: 1.6 .. 2.4, bounds inside.
    for (const char* c : {"Limit1:Activ ON", "Limit1:CenterMode UserDef", "Limit1:CenterVal 2.0", "Limit1:Delta UserPerc",
                          "Limit1:UserPerc 20", "Limit:If AnyFail", "Limit:Action Beep,Stop", "Limit:TestOn ON"})
        rig.Do(c);
    ASSERT_TRUE(rig.Limit().TestOn());
    rig.Acquire(2.4, true);
    EXPECT_EQ(rig.Beeps, 0) << "2.4 is on the upper bound: a pass";
    EXPECT_TRUE(rig.Shell.RunOn);
    EXPECT_EQ(rig.List().Slot(0)->TestedCount, 1u);
    EXPECT_EQ(rig.Cell(NizCellRect(0, 4)), "    1");
    EXPECT_EQ(rig.Cell(NizCellRect(0, 5)), "    0") << "the first tested waveform draws the failures too";
    EXPECT_EQ(rig.Cell(NizCellRect(1, 4)), "N / A") << "an inactive slot";
    rig.Acquire(2.41, true);
    EXPECT_EQ(rig.Beeps, 1);
    EXPECT_FALSE(rig.Shell.RunOn) << "Stop ends Run";
    EXPECT_EQ(rig.Limit().Failures(), 1u);
    EXPECT_EQ(rig.Cell(NizCellRect(0, 5)), "    1");
    rig.Do("Limit1:FailWhen Inside");
    rig.Acquire(1.6, true);
    EXPECT_EQ(rig.Beeps, 2) << "1.6 is inside, which fails under Inside";

    // Two failing slots in one waveform: two failures. Slot 3 (Max of Ch2, 1 V) outside 5..6.
    rig.Shell.RunOn = true;
    for (const char* c : {"Limit1:FailWhen Outside", "Limit4:Activ ON", "Limit4:Mode Limit", "Limit4:UpLimit 6",
                          "Limit4:LowLimit 5", "Limit:TestOn OFF", "Limit:TestOn ON"})
        rig.Do(c);
    rig.Acquire(3.0, true);
    EXPECT_EQ(rig.Limit().TestedWaveforms(), 1u) << "switching on restarts the counts";
    EXPECT_EQ(rig.Limit().Failures(), 2u);
    EXPECT_EQ(rig.List().Slot(3)->FailedCount, 1u);
    EXPECT_EQ(rig.List().Slot(0)->TestedCount, 1u) << "a testable slot's tested count restarted with the test";

    // AllPass: one failing parameter prevents every action; all passing beeps.
    rig.Do("Limit:If AllPass");
    rig.Do("Limit:Action Beep");
    const int beeps = rig.Beeps;
    rig.Acquire(2.0, true);
    EXPECT_EQ(rig.Beeps, beeps) << "slot 3 fails";
    rig.Do("Limit4:LowLimit 0.5");
    rig.Acquire(2.0, true);
    EXPECT_EQ(rig.Beeps, beeps + 1);

    // NotFound on the period of a flat record: Ignore judges nothing, so AllPass does not act on
    // nothing; Fail fails; Pass passes.
    rig.Do("Limit1:Activ OFF");
    rig.Do("Limit4:Activ OFF");
    rig.Do("Limit3:Activ ON");
    rig.Do("Limit3:Mode Limit");
    rig.Do("Limit3:UpLimit 1");
    rig.Do("Limit3:LowLimit -1");
    rig.Do("Limit:TestOn ON");
    rig.Acquire(2.0, false);
    EXPECT_EQ(rig.List().Slot(2)->Value, UndefinedValue);
    EXPECT_EQ(rig.Beeps, beeps + 1) << "no verdict on a waveform nothing was judged on";
    EXPECT_EQ(rig.Limit().Failures(), 0u);
    rig.Do("Limit3:NotFound Pass");
    rig.Acquire(2.0, false);
    EXPECT_EQ(rig.Beeps, beeps + 2);
    rig.Do("Limit3:NotFound Fail");
    rig.Acquire(2.0, false);
    EXPECT_EQ(rig.Limit().Failures(), 1u);
    EXPECT_EQ(rig.Beeps, beeps + 2);

    // Run until 2 failures, then until 1 more waveform: each stops Run and ends the test.
    rig.Shell.RunOn = true;
    rig.Do("Limit:RunUntil Failur");
    rig.Do("Limit:Failures 2");
    rig.Acquire(2.0, false);
    EXPECT_FALSE(rig.Shell.RunOn);
    EXPECT_FALSE(rig.Limit().TestOn());
    EXPECT_EQ(rig.Do("Limit3:Res?"), "LIMIT TEST FOR PARAMETER IS PASSIVE");
    rig.Shell.RunOn = true;
    rig.Do("Limit:RunUntil Wfm");
    rig.Do("Limit:NWfms 1");
    rig.Do("Limit:TestOn ON");
    rig.Acquire(2.0, true);
    EXPECT_FALSE(rig.Shell.RunOn);
    EXPECT_FALSE(rig.Limit().TestOn());
    EXPECT_THROW(rig.Limit().LimitParameterOfHandler(rig.Shell.CommandTree()->Root().FindHandler("Limit:If")), EInternalError);
    EXPECT_EQ(rig.Limit().LimitParameterOfHandler(rig.Shell.CommandTree()->Root().FindHandler("Limit3:NotFound")), 2);
}

TEST(LimitTest, SeedingKeepsWhatTheUserSetAndTheLimitsKeepAStepApart) {
    TLimitRig rig;
    rig.Do("Meas:Display Param");
    rig.Do("Meas:Ch1:YParam Max ON");
    rig.Do("Meas:Ch1:YParam Min ON");
    rig.Do("Limit1:Activ ON");
    EXPECT_EQ(rig.Do("Meas:Display?"), "STATISTIC") << "an active parameter shows the statistics";
    EXPECT_TRUE(rig.Services->Meas().MeasureNowRequested());
    rig.Do("Limit2:Activ ON");
    rig.Acquire(2.0, true);
    // Slot 1's lower limit is typed before its statistics hold 10 values.
    rig.Do("Limit2:Mode Limit");
    rig.Do("Limit2:LowLimit -5");
    // Statistics of a known mean and deviation; slot 1's deviation lies below a thousandth of its mean.
    auto prime = [&rig](int slot, double mean, double sd) {
        TParameterOfMeas& p = *rig.List().Slot(slot);
        p.Statistics->Mean = mean;
        p.Statistics->StdDev = sd;
        p.LimitPrimed = true;
    };
    prime(0, 1e-9, 1e-12);
    prime(1, -2.0, 1e-6);
    rig.Limit().RefreshLimitParameters();
    auto real = [&rig](const std::string& path) { return ReadRealSetting(rig.Shell.CommandTree(), path, -12345); };
    EXPECT_NEAR(real("Limit1:UpLimit"), 1.003e-9, 1e-15);
    EXPECT_NEAR(real("Limit1:LowLimit"), 0.997e-9, 1e-15);
    EXPECT_NEAR(real("Limit1:CenterVal"), 1e-9, 1e-15);
    EXPECT_NEAR(real("Limit1:UserDef"), 3e-12, 1e-15);
    // s = 2 × 0.001: up -2 + 0.006; the typed lower limit stays.
    EXPECT_NEAR(real("Limit2:UpLimit"), -1.994, 1e-9);
    EXPECT_EQ(real("Limit2:LowLimit"), -5.0);
    EXPECT_NEAR(real("Limit2:UserDef"), 0.006, 1e-9);
    // Seeded once: a later refresh keeps what the user changes.
    rig.Do("Limit1:UserDef 1e-11");
    prime(0, 5e-9, 1e-12);
    rig.Limit().RefreshLimitParameters();
    EXPECT_NEAR(real("Limit1:UserDef"), 1e-11, 1e-15);
    EXPECT_NEAR(real("Limit1:UpLimit"), 1.003e-9, 1e-15);

    // The step is the 1-2-5 rounding of s / 4 (5e-4 for slot 1): the upper limit cannot go below the
    // lower plus it, nor the lower above the upper minus it.
    rig.Do("Limit2:LowLimit -2.5");
    rig.Do("Limit2:UpLimit -3");
    EXPECT_NEAR(real("Limit2:UpLimit"), -2.5 + 5e-4, 1e-9);
    rig.Do("Limit2:LowLimit 0");
    EXPECT_NEAR(real("Limit2:LowLimit"), -2.5, 1e-9);

    // Removing the first measurement moves slot 1's limits up with it, switched off.
    rig.Do("Meas:Ch1:YParam Max OFF");
    EXPECT_EQ(rig.List().Count(), 1);
    EXPECT_EQ(rig.Do("Limit1:Mode?"), "LIMIT");
    EXPECT_NEAR(real("Limit1:LowLimit"), -2.5, 1e-9);
    EXPECT_EQ(rig.Do("Limit1:Activ?"), "ON");
}

TEST(LimitTest, SavedFilesTakeTheNextFreeNameInTheChosenFolderAndFormat) {
    TLimitRig rig;
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / ("vt_limit_save_" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir / "old");
    fs::create_directories(dir / "picked");
    const std::string root = dir.string() + "/";
    rig.Shell.Folders.InstallFolder = root;
    rig.Shell.Folders.LimitTestFolder = root;
    rig.Do("Meas:Display Statistic");
    rig.Do("Meas:Ch1:YParam Max ON");
    rig.Do("Meas:Ch2:YParam Max ON");
    rig.Acquire(2.0, true);
    EXPECT_EQ(rig.Do("Limit:FileName?"), root + "Noname.wfm") << "no name given yet";
    // A name of an old setup: "\" separates its folders, its extension goes.
    rig.Do("Limit:FileName " + root + "old\\first.txt");
    EXPECT_EQ(rig.Do("Limit:FileName?"), root + "old/first.wfm");
    rig.Do("Limit:FileName run.wfm");
    EXPECT_EQ(rig.Do("Limit:FileName?"), root + "run.wfm") << "a bare name goes into the setting's own folder";
    rig.Do("Limit:FileName old/run.wfm");
    EXPECT_EQ(rig.Do("Limit:FileName?"), root + "old/run.wfm");

    // Ch1's maximum (2 V) outside 0..1 fails; Save set by a command asks nothing.
    for (const char* c : {"Limit1:Activ ON", "Limit1:Mode Limit", "Limit1:UpLimit 1", "Limit1:LowLimit 0",
                          "Limit:If AnyFail", "Limit:Action Save", "Limit:TestOn ON"})
        rig.Do(c);
    rig.Acquire(2.0, true);
    rig.Acquire(2.0, true);
    EXPECT_TRUE(rig.Asked.empty());
    const fs::path first = dir / "old" / "run.wfm";
    const fs::path second = dir / "old" / "run-00001.wfm";
    ASSERT_TRUE(fs::exists(first));
    ASSERT_TRUE(fs::exists(second));
    TSignalObj back;
    ASSERT_TRUE(back.LoadBinary(second));
    EXPECT_EQ(back.Length(), 1000);
    EXPECT_DOUBLE_EQ(back.GetPoint(100), 2.0) << "Ch1's record, whose peak failed";
    EXPECT_DOUBLE_EQ(back.GetPoint(600), -1.0);
    EXPECT_FALSE(fs::exists(dir / "old" / "run-00002.wfm")) << "only the failing slot's source is saved";

    // The same name again restarts the counter, but the files of the first run stay.
    const auto firstSize = fs::file_size(first);
    const auto firstTime = fs::last_write_time(first);
    rig.Do("Limit:FileName old/run");
    rig.Acquire(3.0, true);
    EXPECT_TRUE(fs::exists(dir / "old" / "run-00002.wfm"));
    EXPECT_EQ(fs::file_size(first), firstSize);
    EXPECT_EQ(fs::last_write_time(first), firstTime);

    // AllFail with both slots failing saves both sources in one waveform, in source order.
    for (const char* c : {"Limit2:Activ ON", "Limit2:Mode Limit", "Limit2:UpLimit 9", "Limit2:LowLimit 8",
                          "Limit:If AllFail", "Limit:FileFormat Verbose", "Limit:FileName old/both"})
        rig.Do(c);
    rig.Acquire(2.0, true);
    TSignalObj ch1, ch2;
    ASSERT_TRUE(ch1.LoadText(dir / "old" / "both.txt"));
    ASSERT_TRUE(ch2.LoadText(dir / "old" / "both-00001.txt"));
    EXPECT_DOUBLE_EQ(ch1.GetPoint(100), 2.0);
    EXPECT_DOUBLE_EQ(ch2.GetPoint(0), -1.0) << "Ch2's square wave starts low";
    EXPECT_DOUBLE_EQ(ch2.GetPoint(50), 1.0);

    // A file in the way of the name's folder: one message over the failed waveforms, not one per source
    // or per waveform, and Save stays on; once the way is free, the next failure is saved again.
    rig.Do("Limit:FileName old/run.wfm/inside");
    rig.Acquire(2.0, true);
    rig.Acquire(2.0, true);
    ASSERT_EQ(rig.Asked.size(), 1u);
    EXPECT_EQ(rig.Asked[0].Filter, "box");
    EXPECT_EQ(rig.Do("Limit:Action?"), "SAVE");
    fs::remove(first);
    rig.Acquire(2.0, true);
    EXPECT_TRUE(fs::exists(dir / "old" / "run.wfm" / "inside.txt"));
    EXPECT_TRUE(fs::exists(dir / "old" / "run.wfm" / "inside-00001.txt"));
    EXPECT_EQ(rig.Asked.size(), 1u);
    rig.Asked.clear();

    // Save switched on at the menu asks for the name: OK takes name and type, restarts the counter and beeps.
    auto& action = dynamic_cast<TCheckSwHandler&>(*rig.Shell.CommandTree()->Root().FindHandler("Limit:Action"));
    rig.Do("Limit:Action Beep");
    rig.Do("Limit2:Activ OFF");
    rig.Do("Limit:If AnyFail");
    rig.Answer = TSaveDialogRequest{.Title = {}, .Filter = {}, .FilterIndex = 2, .Name = root + "picked/chosen", .Folder = root + "picked/"};
    const int beeps = rig.Beeps;
    action.SetBitFromSwitcher(1, true);
    ASSERT_EQ(rig.Asked.size(), 1u);
    EXPECT_EQ(rig.Asked[0].Title, rig.Shell.LangStr("SaveWaveformAs"));
    EXPECT_EQ(rig.Asked[0].Filter,
              "Binary format (*.wfm)|*.wfm|Verbose format (*.txt)|*.txt|Y values formats (*.txty)|*.txty");
    EXPECT_EQ(rig.Asked[0].FilterIndex, 1) << "the dialog opens on the current type";
    EXPECT_EQ(rig.Beeps, beeps + 1);
    EXPECT_EQ(rig.Do("Limit:FileFormat?"), "YONLY");
    EXPECT_EQ(rig.Do("Limit:FileName?"), root + "picked/chosen.txty");
    rig.Acquire(2.0, true);
    EXPECT_TRUE(fs::exists(dir / "picked" / "chosen.txty"));
    // Cancel switches Save off again; an undo or a command sets it with no dialog.
    rig.Answer.reset();
    rig.Do("Limit:Action Beep");
    action.SetBitFromSwitcher(1, true);
    EXPECT_EQ(rig.Asked.size(), 2u);
    EXPECT_EQ(rig.Do("Limit:Action?"), "BEEP");
    rig.Do("Limit:Action Beep,Save");
    EXPECT_EQ(rig.Asked.size(), 2u);
    fs::remove_all(dir);
}

// A limit replies with the digits its step needs: seeded from a mean of 0.999923 ns and a deviation of
// 1 ps, the limits are 1.002923 ns and 0.996923 ns with a step near s / 4 = 0.25 ps, so the replies
// resolve 0.01 ps; a value read and written back is then the same limit to within 0.005 ps.
TEST(LimitTest, ALimitReadBackAndWrittenAgainIsTheSameLimit) {
    TLimitRig rig;
    rig.Do("Meas:Display Statistic");
    rig.Do("Meas:Ch1:YParam Max ON");
    rig.Do("Limit1:Activ ON");
    rig.Acquire(2.0, true);
    TParameterOfMeas& p = *rig.List().Slot(0);
    p.Statistics->Mean = 0.999923e-9;
    p.Statistics->StdDev = 1e-12;
    p.LimitPrimed = true;
    rig.Limit().RefreshLimitParameters();
    auto real = [&rig](const std::string& path) { return ReadRealSetting(rig.Shell.CommandTree(), path, -12345); };
    auto trimmed = [](std::string t) {
        while (!t.empty() && (t.back() == ' ' || t.back() == '%')) t.pop_back();
        while (!t.empty() && t.front() == ' ') t.erase(0, 1);
        return t;
    };
    auto number = [&trimmed](const std::string& reply) {
        double v = 0;
        EXPECT_TRUE(ParseNumberWithMultiplier(trimmed(reply), v)) << reply;
        return v;
    };
    struct TCase {
        const char* Name;
        double Held;
    };
    for (const TCase& c : {TCase{"Limit1:UpLimit", 1.002923e-9}, TCase{"Limit1:LowLimit", 0.996923e-9},
                           TCase{"Limit1:CenterVal", 0.999923e-9}, TCase{"Limit1:UserDef", 3e-12}}) {
        ASSERT_NEAR(real(c.Name), c.Held, 1e-18) << c.Name;
        const std::string reply = rig.Do(std::string(c.Name) + "?");
        EXPECT_NEAR(number(reply), c.Held, 0.005e-12) << c.Name << " replied " << reply;
        rig.Do(std::string(c.Name) + " " + trimmed(reply));
        EXPECT_NEAR(real(c.Name), c.Held, 0.005e-12) << c.Name;
    }
    // A typed limit reads back as typed; so do the sigma multiplier and the percentage.
    rig.Do("Limit1:Mode Limit");
    rig.Do("Limit1:UpLimit 1.0029N");
    EXPECT_NEAR(number(rig.Do("Limit1:UpLimit?")), 1.0029e-9, 1e-18);
    rig.Do("Limit1:StdDev 2.25");
    EXPECT_NEAR(number(rig.Do("Limit1:StdDev?")), 2.25, 1e-12);
    rig.Do("Limit1:UserPerc 12.34");
    EXPECT_NEAR(number(rig.Do("Limit1:UserPerc?")), 12.34, 1e-12);
}

// An undo of a removal puts the entry back in its slot with the statistics it had and the limits of
// every slot as they were; so does an undo of the eleventh item that pushed the first one out. Ch1
// holds zeros with one peak of the given height and one point at -1 V: Max is the peak, Min -1 V,
// PP the peak + 1 V.
TEST(LimitTest, UndoPutsARemovedMeasurementBackInItsSlotWithItsStatisticsAndLimits) {
    TLimitRig rig;
    rig.Do("Meas:Display Param");
    for (const char* c : {"Meas:Ch1:YParam Max ON", "Meas:Ch1:YParam Min ON", "Meas:Ch1:YParam PP ON",
                          "Meas:Ch1:YParam Top ON", "Meas:Ch2:YParam Max ON"})
        rig.Do(c);
    for (double peak : {2.0, 3.0, 4.0}) rig.Acquire(peak, true);
    rig.Do("Limit2:Mode Limit");
    rig.Do("Limit2:UpLimit 0.5");
    rig.Do("Limit3:Mode Limit");
    rig.Do("Limit3:UpLimit 7");
    const std::vector<std::string> before = rig.Labels();
    auto real = [&rig](const std::string& path) { return ReadRealSetting(rig.Shell.CommandTree(), path, -12345); };

    rig.Readouts().HandleMeasPopupCommand("Remove", 1);
    EXPECT_EQ(rig.Labels(), (std::vector<std::string>{"Maximum (Ch1)", "Peak-Peak (Ch1)", "Top (Ch1)", "Maximum (Ch2)"}));
    EXPECT_EQ(real("Limit2:UpLimit"), 7) << "the limits moved up with their entries";
    rig.Undo();
    EXPECT_EQ(rig.Labels(), before);
    ASSERT_TRUE(rig.List().Slot(1)->Statistics);
    EXPECT_EQ(rig.List().Slot(1)->Statistics->Count, 3);
    EXPECT_DOUBLE_EQ(rig.List().Slot(1)->Statistics->Mean, -1.0);
    EXPECT_DOUBLE_EQ(rig.List().Slot(2)->Statistics->Mean, 4.0) << "PP of 3, 4 and 5";
    EXPECT_EQ(real("Limit2:UpLimit"), 0.5);
    EXPECT_EQ(real("Limit3:UpLimit"), 7);
    EXPECT_EQ(rig.Do("Limit3:Mode?"), "LIMIT");
    EXPECT_EQ(rig.Mask("Meas:Ch1:YParam"), 0xFu);
    // The restored statistics go on with the next values.
    rig.Acquire(5.0, true);
    EXPECT_EQ(rig.List().Slot(1)->Statistics->Count, 4);
    EXPECT_DOUBLE_EQ(rig.List().Slot(0)->Statistics->Mean, 3.5) << "Max of 2, 3, 4 and 5";

    // Ten listed; an eleventh pushes Max (Ch1) out, and one undo puts it back first.
    for (const char* c : {"Meas:Ch1:YParam Base ON", "Meas:Ch1:YParam Ampl ON", "Meas:Ch1:YParam Middle ON",
                          "Meas:Ch1:YParam Mean ON", "Meas:Ch1:YParam dcRMS ON"})
        rig.Do(c);
    ASSERT_EQ(rig.List().Count(), 10);
    const std::vector<std::string> ten = rig.Labels();
    rig.Do("Meas:Ch2:YParam Min ON");
    EXPECT_EQ(rig.Labels().front(), "Minimum (Ch1)");
    rig.Undo();
    EXPECT_EQ(rig.Labels(), ten);
    EXPECT_EQ(rig.List().Slot(0)->Statistics->Count, 4);
    EXPECT_DOUBLE_EQ(rig.List().Slot(0)->Statistics->Mean, 3.5);
    EXPECT_EQ(real("Limit2:UpLimit"), 0.5);

    // Of three, the undo lists the removed one afresh in slot 2, which would start slot 2's limits
    // afresh: they come back as they were.
    rig.Do("Meas:ClearAll");
    for (const char* c : {"Meas:Ch1:YParam Max ON", "Meas:Ch1:YParam Min ON", "Meas:Ch1:YParam PP ON"}) rig.Do(c);
    rig.Do("Limit3:Mode Limit");
    rig.Do("Limit3:UpLimit 9");
    rig.Readouts().HandleMeasPopupCommand("Remove", 1);
    rig.Undo();
    EXPECT_EQ(rig.Labels(), (std::vector<std::string>{"Maximum (Ch1)", "Minimum (Ch1)", "Peak-Peak (Ch1)"}));
    EXPECT_EQ(real("Limit3:UpLimit"), 9);
    EXPECT_EQ(rig.Do("Limit3:Mode?"), "LIMIT");
}
