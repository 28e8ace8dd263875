#pragma once
// What the window tests share: the application object, recording fakes of the window's steps and
// scripted dialog answers.
#include <QApplication>
#include <QDialog>
#include <QString>
#include <QTcpSocket>
#include <QTimer>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/Shell.h"
#include "core/temp_folder.h"
#include "link/InstrumentLink.h"
#include "link/LinkClock.h"
#include "link/InstrumentIdentity.h"
#include "program/RecordingFeature.h"
#include "program/ProgramLife.h"
#include "ui/MainWindow.h"
#include "ui/ProgramFeatures.h"
#include "ui/SideMenuHost.h"
#include "ui/UiFeature.h"
#include "ui/UserDialogs.h"

namespace vt::test {

// The recording feature with a face: it also records the side menus and the window's commands.
class TRecordingUiFeature : public TRecordingFeatureOf<TUiFeature>, public TSideMenuHost {
public:
    void ShowSideMenu(int kind, int side) override;
    void SetSideMenusVisible(bool visible) override;
    void PlaceSideMenus(const TPlace&, const TPlace&) override {}
    bool SelectInstrumentsDialog() override { return KeepRunning; }
    void ShowConsole(QWidget* owner) override;
    void ShowHelpContext(int context) override { HelpContexts.push_back(context); }
    void ClearJitterPlotBit(int plot) override { ClearedJitterPlots.push_back(plot); }

    bool KeepRunning = true;
    std::vector<QWidget*> ConsoleOwners;
    std::vector<int> HelpContexts;
    std::vector<int> ClearedJitterPlots;
};

// A life with a recording feature installed (Rec), for a window of the tests.
using TRecordingLife = TRecordingLifeOf<TRecordingUiFeature>;

// A window of the tests, the view of the recording life; its side menus are the recorder's.
class TTestWindow : public TMorda_fr {
public:
    TTestWindow(TShell& shell, TRecordingLife& rec, TUserDialogs& dialogs) : TMorda_fr(shell, rec, dialogs) {
        SetSideMenus(&rec.Rec);
    }
};

class TScriptedDialogs : public TUserDialogs {
public:
    TDialogAnswer AskErrorYesNo(QWidget*, const QString& text) override;
    TDialogAnswer AskYesNoCancel(QWidget*, const QString& text) override;
    void ShowError(QWidget*, const QString& text) override;
    void ShowMessage(QWidget*, const QString& text) override;
    // The boxes that hold nothing go to Shown; the question's answer (from Answers) comes a moment later,
    // as a click would.
    bool ShowErrorNonModal(QWidget*, const QString& text) override;
    bool AskErrorYesNoNonModal(QWidget*, const QString& text, std::function<void()> onNo) override;
    // Answers from SaveAnswers (Cancel when empty); the requests as asked go to SaveRequests.
    bool ExecSaveDialog(QWidget*, TSaveDialogRequest& request) override;
    // OK for Yes.
    bool AskOkCancel(QWidget*, const QString& text) override;
    // The second button for Yes.
    bool ShowInformation(QWidget*, const QString& title, const QString& text, const QString& second) override;

    std::deque<TDialogAnswer> Answers;  // Yes when empty
    std::deque<std::optional<TSaveDialogRequest>> SaveAnswers;  // none: Cancel
    std::vector<TSaveDialogRequest> SaveRequests;
    std::vector<std::string> Asked;     // the texts, in order, prefixed by the dialog kind
    std::vector<std::string> Shown;     // the same for the boxes that hold nothing

private:
    TDialogAnswer Next();
};

// Gives the shell a link of that kind and the identity of a model-1 instrument with these option
// bits and firmware version.
TInstrumentIdentity& GiveInstrument(TShell& shell, TInstrumentLinkKind kind, std::uint8_t options,
                                    const std::string& firmware = "3.7.10 (1 Jan 2011)");

// Every switcher title, grid-button caption, one-line label and push-button text below root that is
// wider, in the font it is drawn in, than the room its control gives it, as "object name: text"; empty
// when everything fits.
std::vector<std::string> TextsThatDoNotFit(const QWidget& root);

// Every switcher of a side-menu page that is not drawn whole, as "object name: what is wrong": lower
// than its kind's height, outside the page's frame, covering or covered by a sibling that shows, or
// with a part of its content (button, value field, arrow, list, grid child) outside its own room.
// Hidden switchers count too, but for what they cover: a form shows them in other states.
std::vector<std::string> SwitchersNotWhole(const QWidget& page);

// Every value field below root whose setting has a value, in the units the setting shows now, that
// the field cannot show whole at the application font, as "object name: widest text (its width > the
// room)". The values tried: the limits, the value now, and 8.888888 in each decade of the range, both
// signs where the range has them, on the setting's grid.
std::vector<std::string> ValuesNotWhole(const QWidget& root);

// The data root of every test that starts a program (in this process or as a child process) or takes an
// instrument lock: its own settings folder, instrument locks (XDG_RUNTIME_DIR) and temporary folder
// (TMPDIR), since other programs of the suite, or one the developer runs beside it, use the demo
// instrument at the same time. The variables are as they were again once it ends.
class TProgramHome {
public:
    TProgramHome();
    ~TProgramHome();
    TProgramHome(const TProgramHome&) = delete;
    TProgramHome& operator=(const TProgramHome&) = delete;
    const std::filesystem::path& Path() const { return Home_; }
    // The folder of the instrument locks.
    std::filesystem::path LockFolder() const { return Temp_.Path() / "run"; }

private:
    TempFolder Temp_;
    std::filesystem::path Home_;
    std::vector<std::pair<std::string, std::optional<std::string>>> Saved_;
};

// Every setting as a setup file holds it.
std::vector<std::string> AllSettings(TShell& shell);

// Writes the English language file of the menus' forms into folder (German in use beside it) and
// answers a form's text by key: "<absent>" where the file has none.
using TFormText = std::function<std::string(const char* form, std::string_view key)>;
TFormText WriteEnglishFileOfMenus(TSideMenus& menus, const std::filesystem::path& folder);

// Writes the widget's picture to screenshots/<name> below the test's folder.
void SaveScreenshot(QWidget& widget, const char* name);

// The program's main window while it is shown, or nullptr; and every main window closed (which ends the
// program's main block).
TMorda_fr* ShownMainWindow();
void CloseMainWindows();

// Runs the program's main block in this process as its main does, ended with exit code 3 once timeoutMs
// have passed (a test whose steps never close the window fails instead of hanging).
int RunMainBlockFor(int timeoutMs, TShell& shell, TProgramLife& life, const std::vector<std::string>& args,
                    TUserDialogs& dialogs);

// The link's clock of a program under test: the steady clock, which the test moves on by hand.
class TMovableLinkClock final : public TLinkClock {
public:
    std::int64_t NowMs() override { return Steady_.NowMs() + AheadMs; }
    void SleepMs(int ms) override { Steady_.SleepMs(ms); }
    std::int64_t AheadMs = 0;

private:
    TSteadyLinkClock Steady_;
};

// How a test's program starts: on the demo instrument unless told otherwise.
struct TRigOptions {
    std::string Instrument = "Default_Demo";
    // The demo's option bits, written to its identity before the start; none: the demo's own.
    std::optional<std::uint8_t> DemoOptions{};
    std::uint16_t AutomationPort = 0;
    // Dialogs of the test's own in place of the scripted ones; not owned.
    TUserDialogs* OwnDialogs = nullptr;
    // Runs before the features are built: services they wire themselves to go in here.
    std::function<void(TShell&)> BeforeFeatures{};
    // The instrument link's clock in place of the program's; not owned.
    TLinkClock* LinkClock = nullptr;
};

// The program of a test in this process, as its main builds it: its own home, the shell, its life,
// scripted dialogs and its features. Run() runs its main block under a time guard while the test's
// step polls it; the step closes the main window when it is done.
class TProgramRig {
public:
    explicit TProgramRig(TRigOptions options = {});
    TProgramRig(const TProgramRig&) = delete;
    TProgramRig& operator=(const TProgramRig&) = delete;

    const TProgramHome Home;
    TShell Shell;
    TProgramLife Life;
    TScriptedDialogs Dialogs;

    TProgramFeatures& Features() { return *Features_; }
    // The program's arguments: its home and its instrument.
    std::vector<std::string> Args() const;
    // Runs the main block as main does until the window closes (exit code 0 expected) or timeoutMs
    // pass, calling step every pollMs but never inside itself. A fatal failure in the step ends the
    // block at once (exit code 4).
    void Run(int timeoutMs, int pollMs, const std::function<void()>& step);
    // The acquisition runs and has completed a cycle since the program started it.
    bool Acquiring();
    // Runs n more acquisitions in Run mode to their end, stops and waits until the bottom strip's
    // delayed texts are drawn. n acquisitions that do not come within guardMs fail the test at once
    // (false, and so does every later call).
    bool Acquire(int n, int guardMs = 60000);
    // Runs the main block as Run does and calls body once, when the program acquires; the window closes
    // once body returns. Body waits in nested loops (Until, CountOn, Acquire), so that its steps read
    // in order.
    void RunSteps(int timeoutMs, const std::function<void()>& body);
    // Runs the event loop until done() holds; false, and the test fails at once, when guardMs pass first.
    bool Until(const std::function<bool()>& done, int guardMs = 60000);
    // As Until, checked after every turn of the loop: for a step that must act in the turn it comes.
    bool UntilTurn(const std::function<bool()>& done, int guardMs = 60000);
    // Runs the event loop until n more acquisition cycles have begun, the acquisition left running.
    bool CountOn(int n, int guardMs = 60000);
    // Acquisition cycles begun since the program started (the engine's own count goes back to zero
    // at every stop).
    int Acquisitions();
    // A command line as the console runs it.
    std::string Command(std::string_view text);

private:
    TUserDialogs& UsedDialogs() { return Options_.OwnDialogs ? *Options_.OwnDialogs : Dialogs; }

    TRigOptions Options_;
    std::unique_ptr<TUiFeature> ClockFeature_;
    std::optional<TProgramFeatures> Features_;
    int Begun_ = 0, LastCount_ = 0;
};

// Two automation clients of the rig's running program, one that starts a run and another that asks
// meanwhile: their reply lines in the order they came ("run: <reply>", "other: <reply>") with the
// acquisition count at each one's last, and every modal widget that became active (noted, and closed
// so that the test ends).
class TTwoClients {
public:
    explicit TTwoClients(TProgramRig& rig);
    // Listens on a free port and connects both, as a step of RunSteps.
    bool Connect();
    // Both gone, as the server sees it: connected clients hold the close.
    bool Disconnect();
    static void Send(QTcpSocket& socket, const std::string& lines);

    QTcpSocket Runner, Other;
    std::vector<std::string> Arrived;
    int RunAt = -1, OtherAt = -1;
    std::vector<std::string> Modal;

private:
    TProgramRig& Rig_;
    QTimer Watch_;
};

// Shows each modal form of ours without a modal loop (a dialog runner), checks that its texts fit and
// lets the next step of the script act on it; a form the step left open is cancelled.
struct TDialogScript {
    std::deque<std::function<void(QDialog&)>> Steps;
    std::vector<std::string> Shown;  // the forms' object names, in order
    std::function<int(QDialog&)> Runner();
};

// The bottom strip's throttled texts are all drawn: none waits for its delay (true without a panel).
bool StripTextsDrawn(TShell& shell);

// Runs the event loop for ms milliseconds.
void RunLoopFor(int ms);
// Runs the event loop until done() holds (checked every 5 ms) or 5 s have passed; answers done().
bool RunLoopUntil(const std::function<bool()>& done, int timeoutMs = 5000);

// The parts of a reply between its separators (";" of a compound line, the tab of a list reply).
inline std::vector<std::string> SplitAt(std::string_view reply, char separator) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (std::size_t at; (at = reply.find(separator, start)) != std::string_view::npos; start = at + 1)
        parts.emplace_back(reply.substr(start, at - start));
    parts.emplace_back(reply.substr(start));
    return parts;
}

// A stored mask with two polygons and margins, as a setup carries it, for the runs that take the mask
// away while they go on; and the mask as its state text says it.
inline constexpr const char* kStoredMask =
    "#Poly=2,BitP=4.01878E-10,TB=6.69797E-11,X0=0,VDiv=0.1,V0=0,StdI=3,MskI=2,\"MskNm=OC-48 eye\",Marg=-20,"
    "Kind=1,\"Poly1=800,512_1200,700_2800,700_3200,512_2800,324_1200,324_\",\"Poly2=100,1000_3900,1000_3900,1023_100,1023_\","
    "#MgPly=2,\"MgPly1=880,512_1240,662_2760,662_3120,512_2760,362_1240,362_\",\"MgPly2=100,980_3900,980_3900,1023_100,1023_\"";
std::string MaskState(TShell& shell);

// The first visible top-level window of that kind (a box, a dialog), or null.
template <class TWindow>
TWindow* VisibleWindow() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* window = dynamic_cast<TWindow*>(w); window && window->isVisible()) return window;
    return nullptr;
}

}  // namespace vt::test
