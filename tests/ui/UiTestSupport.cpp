#include "UiTestSupport.h"

#include <gtest/gtest.h>

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QDir>
#include <QFontMetrics>
#include <QHostAddress>
#include <QEventLoop>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <memory>

#include "core/CommandTree.h"
#include "core/EditHandlers.h"
#include "core/LanguageFile.h"
#include "core/LanguageState.h"
#include "core/language_setup.h"
#include "ui/controls/ButtonSwitchers.h"
#include "ui/controls/CommandSwitchers.h"
#include "ui/controls/EditSwitcher.h"
#include "ui/controls/LabelSwitcher.h"
#include "ui/controls/ListBoxSwitcher.h"
#include "ui/controls/Switcher.h"
#include "acq/SignalSources.h"
#include "display/BottomReadoutStrip.h"
#include "display/DisplayPanel.h"
#include "display/ScopeDisplayServices.h"
#include "link/InstrumentLink.h"
#include "link/InstrumentIdentity.h"
#include "link/InstrumentList.h"
#include "serial/ScopeSerialServices.h"
#include "ui/Automation.h"
#include "ui/AutomationServer.h"
#include "ui/MainBlock.h"
#include "ui/SideMenuLanguage.h"
#include "ui/VeltraneApplication.h"

namespace vt::test {

namespace {

// One application object for the whole test program, as the program has.
class TApplicationEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        static int argc = 1;
        static char name[] = "ui_tests";
        static char* argv[] = {name, nullptr};
        App_ = std::make_unique<TVeltraneApplication>(argc, argv);
    }
    void TearDown() override { App_.reset(); }

private:
    std::unique_ptr<TVeltraneApplication> App_;
};

[[maybe_unused]] const auto* const Environment =
    ::testing::AddGlobalTestEnvironment(new TApplicationEnvironment);

}  // namespace

void TRecordingUiFeature::ShowSideMenu(int kind, int side) {
    Log.push_back("ShowSideMenu " + std::to_string(kind) + " " + std::to_string(side));
}

void TRecordingUiFeature::SetSideMenusVisible(bool visible) {
    Log.emplace_back(visible ? "SideMenusShown" : "SideMenusHidden");
}

void TRecordingUiFeature::ShowConsole(QWidget* owner) {
    Log.emplace_back("ShowConsole");
    ConsoleOwners.push_back(owner);
}

void SaveScreenshot(QWidget& widget, const char* name) {
    const QString folder = QDir::current().absoluteFilePath("screenshots");
    QDir().mkpath(folder);
    EXPECT_TRUE(widget.grab().save(folder + "/" + name, "PNG")) << name;
}

std::function<int(QDialog&)> TDialogScript::Runner() {
    return [this](QDialog& d) {
        Shown.push_back(d.objectName().toStdString());
        d.show();
        const std::vector<std::string> cut = TextsThatDoNotFit(d);
        EXPECT_TRUE(cut.empty()) << cut.front();
        if (Steps.empty()) {
            ADD_FAILURE() << "no step for " << Shown.back();
        } else {
            auto step = std::move(Steps.front());
            Steps.pop_front();
            step(d);
        }
        if (d.isVisible()) d.reject();
        return d.result();
    };
}

TDialogAnswer TScriptedDialogs::Next() {
    if (Answers.empty()) return TDialogAnswer::Yes;
    const TDialogAnswer a = Answers.front();
    Answers.pop_front();
    return a;
}

TDialogAnswer TScriptedDialogs::AskErrorYesNo(QWidget*, const QString& text) {
    Asked.push_back("ErrorYesNo: " + text.toStdString());
    return Next();
}

TDialogAnswer TScriptedDialogs::AskYesNoCancel(QWidget*, const QString& text) {
    Asked.push_back("YesNoCancel: " + text.toStdString());
    return Next();
}

void TScriptedDialogs::ShowError(QWidget*, const QString& text) { Asked.push_back("Error: " + text.toStdString()); }

bool TScriptedDialogs::ShowErrorNonModal(QWidget*, const QString& text) {
    Shown.push_back("Error: " + text.toStdString());
    return true;
}

bool TScriptedDialogs::AskErrorYesNoNonModal(QWidget*, const QString& text, std::function<void()> onNo) {
    Shown.push_back("ErrorYesNo: " + text.toStdString());
    if (Next() == TDialogAnswer::No && onNo) QTimer::singleShot(0, std::move(onNo));
    return true;
}

void TScriptedDialogs::ShowMessage(QWidget*, const QString& text) {
    Asked.push_back("Message: " + text.toStdString());
}

bool TScriptedDialogs::AskOkCancel(QWidget*, const QString& text) {
    Asked.push_back("OkCancel: " + text.toStdString());
    return Next() == TDialogAnswer::Yes;
}

bool TScriptedDialogs::ShowInformation(QWidget*, const QString& title, const QString& text, const QString& second) {
    Asked.push_back("Information: " + title.toStdString() + ": " + text.toStdString() + " [" + second.toStdString() +
                    "]");
    return Next() == TDialogAnswer::Yes;
}

bool TScriptedDialogs::ExecSaveDialog(QWidget*, TSaveDialogRequest& request) {
    SaveRequests.push_back(request);
    if (SaveAnswers.empty()) return false;
    const std::optional<TSaveDialogRequest> answer = SaveAnswers.front();
    SaveAnswers.pop_front();
    if (!answer) return false;
    request = *answer;
    return true;
}

TInstrumentIdentity& GiveInstrument(TShell& shell, TInstrumentLinkKind kind, std::uint8_t options,
                                    const std::string& firmware) {
    if (!shell.Link()) shell.SetLink(MakeOwnedPart(std::make_unique<TInstrumentLink>()));
    shell.Link()->SetLinkKind(kind);
    if (!shell.Identity())
        shell.SetIdentity(MakeOwnedPart(std::make_unique<TInstrumentIdentityUnit>(*shell.Link(), "")));
    TInstrumentIdentity& id = shell.Identity()->Identity;
    id.ModelType = 1;
    id.Options = options;
    id.SWVersion = {};
    id.SWVersion.Text = firmware;
    ParseVersionString(id.SWVersion);
    return id;
}

TProgramHome::TProgramHome() : Home_(Temp_.Path() / "home") {
    std::filesystem::create_directories(Home_);
    const std::filesystem::path run = LockFolder(), tmp = Temp_.Path() / "tmp";
    std::filesystem::create_directories(run);
    std::filesystem::create_directories(tmp);
    std::filesystem::permissions(run, std::filesystem::perms::owner_all, std::filesystem::perm_options::replace);
    for (const auto& [name, value] : {std::pair<const char*, std::filesystem::path>{"XDG_CONFIG_HOME", Home_ / "config"},
                                      {"XDG_RUNTIME_DIR", run},
                                      {"TMPDIR", tmp}}) {
        const char* old = std::getenv(name);
        Saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
        setenv(name, value.c_str(), 1);
    }
}

TProgramHome::~TProgramHome() {
    for (auto it = Saved_.rbegin(); it != Saved_.rend(); ++it) {
        if (it->second) setenv(it->first.c_str(), it->second->c_str(), 1);
        else unsetenv(it->first.c_str());
    }
}

std::vector<std::string> AllSettings(TShell& shell) {
    std::vector<std::string> list;
    shell.CommandTree()->Root().SaveAllSettings(list);
    return list;
}

TFormText WriteEnglishFileOfMenus(TSideMenus& menus, const std::filesystem::path& folder) {
    std::ofstream(folder / "Language-Vlt.Deu", std::ios::binary) << "[Common]\nCommon:Language=Deutsch\n";
    TLanguageState language(test::QuietLanguageSetup(folder));
    language.InitLanguages();
    TEnglishFileForms forms;
    forms.Menus = &menus;
    EXPECT_TRUE(CreateEnglishLanguageFile(language, forms));
    auto file = std::make_shared<const TLangIniFile>(folder / "Language-Vlt.Eng");
    return [file](const char* form, std::string_view key) {
        std::string raw, text;
        if (!file->FindRaw(form, key, raw, false) || !ReadLangValue(raw, text)) return std::string("<absent>");
        return text;
    };
}

std::vector<std::string> TextsThatDoNotFit(const QWidget& root) {
    std::vector<std::string> cut;
    auto report = [&cut](const QWidget& w, const QString& text) {
        cut.push_back((w.objectName().isEmpty() ? std::string(w.metaObject()->className()) : w.objectName().toStdString()) +
                      ": " + text.toStdString());
    };
    // The controls have no meta-object of their own: find them among all widgets.
    const QList<QWidget*> widgets = root.findChildren<QWidget*>();
    for (const QWidget* w : widgets) {
        const auto* sw = dynamic_cast<const TRC_Switcher*>(w);
        // The title bar's text room: the bar inside the 2-pixel frame, less 4 pixels each side.
        if (sw && sw->WithHot() && !sw->Frameless() &&
            QFontMetrics(sw->TitleFont()).horizontalAdvance(sw->TitleText()) > sw->TitleRoom())
            report(*sw, sw->TitleText());
    }
    for (const QWidget* w : widgets) {
        const auto* b = dynamic_cast<const TMyGridButton*>(w);
        if (b && QFontMetrics(b->CaptionFont()).horizontalAdvance(b->Caption()) > b->CaptionRoom().width())
            report(*b, b->Caption());
    }
    for (const QLabel* l : root.findChildren<QLabel*>())
        if (!l->wordWrap() && l->textFormat() != Qt::RichText &&
            l->fontMetrics().horizontalAdvance(l->text()) > l->contentsRect().width())
            report(*l, l->text());
    for (const QPushButton* b : root.findChildren<QPushButton*>()) {
        QStyleOptionButton opt;
        opt.initFrom(b);
        opt.text = b->text();
        const QRect r = b->style()->subElementRect(QStyle::SE_PushButtonContents, &opt, b);
        if (b->fontMetrics().horizontalAdvance(b->text()) > r.width()) report(*b, b->text());
    }
    return cut;
}

std::vector<std::string> SwitchersNotWhole(const QWidget& page) {
    std::vector<std::string> wrong;
    auto name = [](const QWidget& w) {
        return w.objectName().isEmpty() ? std::string(w.metaObject()->className()) : w.objectName().toStdString();
    };
    auto text = [](const QRect& r) {
        return "(" + std::to_string(r.x()) + "," + std::to_string(r.y()) + " " + std::to_string(r.width()) + "x" +
               std::to_string(r.height()) + ")";
    };
    // Inside the page's two-pixel frame.
    const QRect room = page.rect().adjusted(0, 0, 0, -2);
    std::vector<const QWidget*> shown;
    for (const QObject* child : page.children())
        if (const auto* w = qobject_cast<const QWidget*>(child); w && w->isVisibleTo(&page)) shown.push_back(w);
    for (const TRC_Switcher* sw : SwitchersOf(page)) {
        const std::string who = name(*sw);
        auto part = [&](const char* what, const QRect& r, const QRect& within) {
            if (!within.contains(r)) wrong.push_back(who + ": " + what + " " + text(r) + " outside " + text(within));
        };
        if (sw->height() < sw->KindHeight())
            wrong.push_back(who + ": height " + std::to_string(sw->height()) + " below its kind's " +
                            std::to_string(sw->KindHeight()));
        part("control", sw->geometry(), room);
        const QRect content = sw->ContentRect();
        part("content", content, sw->rect());
        if (const auto* command = dynamic_cast<const TRC_CustomCmmandSwitcher*>(sw))
            for (const QRect& r : command->ButtonRects()) part("button", r, content);
        if (const auto* label = dynamic_cast<const TRC_LabelSwitcher*>(sw)) part("value field", label->ValueField(), content);
        if (const auto* edit = dynamic_cast<const TRC_EditSwitcher*>(sw)) {
            part("up arrow", edit->ArrowRect(0), content);
            part("down arrow", edit->ArrowRect(1), content);
        }
        if (const auto* list = dynamic_cast<const TRC_ListSwitcherBase*>(sw))
            part("list", list->List().geometry(), sw->WithHot() ? content : sw->rect());
        if (const auto* grid = dynamic_cast<const TRC_PolyButtonSwitcher*>(sw)) {
            for (int i = 0; i < grid->ButtonCount(); ++i) {
                const TMyGridButton& b = grid->Button(i);
                part("button", b.geometry(), content);
                if (b.height() < grid->RowHeightNeeded())
                    wrong.push_back(who + ": button \"" + b.Caption().toStdString() + "\" " + std::to_string(b.height()) +
                                    " high, needs " + std::to_string(grid->RowHeightNeeded()));
            }
        }
        if (!sw->isVisibleTo(&page)) continue;
        for (const QWidget* other : shown)
            if (other != sw && other->geometry().intersects(sw->geometry()))
                wrong.push_back(who + ": overlaps " + name(*other) + " " + text(sw->geometry()) + " " + text(other->geometry()));
    }
    return wrong;
}

std::vector<std::string> ValuesNotWhole(const QWidget& root) {
    std::vector<std::string> wrong;
    const QFontMetrics metrics(QApplication::font());
    for (const TRC_Switcher* each : SwitchersOf(root)) {
        const auto* sw = dynamic_cast<const TRC_LabelSwitcher*>(each);
        const TEditHandler* h = sw ? sw->EditHandler() : nullptr;
        if (!h) continue;
        const double low = h->MinValue(), high = h->MaxValue();
        const double grid = h->IsInteger() ? 1 : (h->Resolution() > 0 ? h->Resolution() : 1e-15);
        std::vector<double> values{h->GetValueAsDouble()};
        // Past the largest prefix (1e15) a value shows in exponent form; such limits (1e32) only stand
        // for "no limit".
        for (const double limit : {low, high})
            if (std::abs(limit) < 1e15) values.push_back(limit);
        const double largest = std::max(std::abs(low), std::abs(high));
        if (largest > 0) {
            const int top = std::min(14, static_cast<int>(std::ceil(std::log10(largest))));
            for (int e = static_cast<int>(std::floor(std::log10(grid))); e <= top; ++e) {
                for (const double sign : {1.0, -1.0}) {
                    const double v = std::round(sign * 8.888888 * std::pow(10.0, e) / grid) * grid;
                    if (v >= low && v <= high) values.push_back(v);
                }
            }
        }
        QString widest;
        for (const double v : values) {
            const QString text = ShownValueText(*h, v);
            if (metrics.horizontalAdvance(text) > metrics.horizontalAdvance(widest)) widest = text;
        }
        const int room = sw->ValueField().width() - 5;
        const int width = metrics.horizontalAdvance(widest);
        if (width > room)
            wrong.push_back(sw->objectName().toStdString() + ": \"" + widest.toStdString() + "\" (" +
                            std::to_string(width) + " > " + std::to_string(room) + ")");
    }
    return wrong;
}

TMorda_fr* ShownMainWindow() {
    TMorda_fr* shown = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* main = dynamic_cast<TMorda_fr*>(w); main && main->isVisible()) shown = main;
    return shown;
}

void CloseMainWindows() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* main = dynamic_cast<TMorda_fr*>(w)) main->close();
}

int RunMainBlockFor(int timeoutMs, TShell& shell, TProgramLife& life, const std::vector<std::string>& args,
                    TUserDialogs& dialogs) {
    auto* app = dynamic_cast<TVeltraneApplication*>(QCoreApplication::instance());
    if (!app) {
        ADD_FAILURE() << "the tests run without the program's application object";
        return -1;
    }
    // The guard goes with the run: left pending, it would end the event loop of a later test.
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(3); });
    guard.start(timeoutMs);
    return RunMainBlock(*app, shell, life, args, dialogs);
}

TProgramRig::TProgramRig(TRigOptions options) : Life(Shell), Options_(std::move(options)) {
    if (Options_.DemoOptions)
        WriteDemoIdentity(Home.Path(), kDefaultDemoName, 1, 1, true, 7, 12, *Options_.DemoOptions);
    if (Options_.BeforeFeatures) Options_.BeforeFeatures(Shell);
    // Installed first, its clock is the one the link takes.
    if (Options_.LinkClock) {
        class TClockFeature final : public TUiFeature {
        public:
            explicit TClockFeature(TLinkClock& clock) : Clock_(clock) {}
            TLinkClock* LinkClock() override { return &Clock_; }

        private:
            TLinkClock& Clock_;
        };
        ClockFeature_ = std::make_unique<TClockFeature>(*Options_.LinkClock);
        Life.Install(*ClockFeature_);
    }
    Features_.emplace(Shell, Life, UsedDialogs(), std::vector<std::string>{Options_.Instrument},
                      Options_.AutomationPort);
}

std::vector<std::string> TProgramRig::Args() const { return {"--home", Home.Path().string(), Options_.Instrument}; }

void TProgramRig::Run(int timeoutMs, int pollMs, const std::function<void()>& step) {
    bool stepping = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        // As the time guard does, on every tick until the block has ended: it may still be starting,
        // without a window to close or a loop that would end.
        if (::testing::Test::HasFatalFailure()) {
            QCoreApplication::exit(4);
            return;
        }
        if (stepping) return;
        stepping = true;
        step();
        stepping = false;
    });
    poll.start(pollMs);
    EXPECT_EQ(RunMainBlockFor(timeoutMs, Shell, Life, Args(), Features().Dialogs()), 0);
}

void TProgramRig::RunSteps(int timeoutMs, const std::function<void()>& body) {
    bool ran = false;
    Run(timeoutMs, 20, [&] {
        if (ran || !Acquiring()) return;
        ran = true;
        body();
        CloseMainWindows();
    });
    EXPECT_TRUE(ran) << "the program never acquired";
}

bool TProgramRig::Until(const std::function<bool()>& done, int guardMs) {
    if (::testing::Test::HasFatalFailure()) return false;
    if (RunLoopUntil(done, guardMs)) return true;
    [&] { FAIL() << "what the step waited for did not come within " << guardMs << " ms"; }();
    return false;
}

bool TProgramRig::UntilTurn(const std::function<bool()>& done, int guardMs) {
    if (::testing::Test::HasFatalFailure()) return false;
    QEventLoop loop;
    const QMetaObject::Connection check = QObject::connect(
        QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::awake, &loop, [&] {
            if (done()) loop.quit();
        });
    QTimer::singleShot(guardMs, &loop, &QEventLoop::quit);
    if (!done()) loop.exec();
    QObject::disconnect(check);
    if (done()) return true;
    [&] { FAIL() << "what the step waited for did not come within " << guardMs << " ms"; }();
    return false;
}

bool TProgramRig::CountOn(int n, int guardMs) {
    const int until = Acquisitions() + n;
    return Until([&] { return Acquisitions() >= until; }, guardMs);
}

int TProgramRig::Acquisitions() {
    auto* display = dynamic_cast<TScopeDisplayServices*>(&Shell.Display());
    const int count = display ? std::max(display->AcquisitionCount(ChannelIndex1), display->AcquisitionCount(ChannelIndex2)) : 0;
    Begun_ += count >= LastCount_ ? count - LastCount_ : count;
    LastCount_ = count;
    return Begun_;
}

bool TProgramRig::Acquiring() { return Shell.AcqEnabled && Shell.RunOn && Acquisitions() >= 2; }

std::string TProgramRig::Command(std::string_view text) { return Shell.CommandTree()->ExecuteCommandString(text, false); }

bool TProgramRig::Acquire(int n, int guardMs) {
    if (::testing::Test::HasFatalFailure()) return false;
    if (!Shell.RunOn) Command("*Run");
    // The cycle under way may have begun before the call: the (n + 1)th begins after the nth has ended.
    const int until = Acquisitions() + n + 1;
    const bool came = RunLoopUntil([&] { return Acquisitions() >= until; }, guardMs);
    Command("*StopSingle Stop");
    if (!came) {
        [&] { FAIL() << n << " acquisitions did not come within " << guardMs << " ms"; }();
        return false;
    }
    const bool drawn = RunLoopUntil([&] { return StripTextsDrawn(Shell); }, guardMs);
    if (!drawn) [] { FAIL() << "the bottom strip's delayed texts were not drawn"; }();
    return drawn;
}

TTwoClients::TTwoClients(TProgramRig& rig) : Rig_(rig) {
    QObject::connect(&Watch_, &QTimer::timeout, [this] {
        if (QWidget* box = QApplication::activeModalWidget()) {
            Modal.push_back(box->metaObject()->className());
            box->close();
        }
    });
    Watch_.start(5);
    const auto collect = [this](QTcpSocket& socket, const char* who, int& at) {
        QObject::connect(&socket, &QTcpSocket::readyRead, [this, &socket, who, &at] {
            while (socket.canReadLine()) {
                Arrived.push_back(who + socket.readLine().trimmed().toStdString());
                at = Rig_.Acquisitions();
            }
        });
    };
    collect(Runner, "run: ", RunAt);
    collect(Other, "other: ", OtherAt);
}

bool TTwoClients::Connect() {
    if (!Rig_.Until([&] { return Rig_.Features().Automation().Automation() != nullptr; })) return false;
    TAutomationServer& server = Rig_.Features().Automation().Automation()->Server;
    if (!server.Listen(0)) {
        [] { FAIL() << "the automation server does not listen"; }();
        return false;
    }
    Runner.connectToHost(QHostAddress::LocalHost, server.Port());
    Other.connectToHost(QHostAddress::LocalHost, server.Port());
    return Rig_.Until([&] {
        return Runner.state() == QAbstractSocket::ConnectedState && Other.state() == QAbstractSocket::ConnectedState;
    });
}

bool TTwoClients::Disconnect() {
    Runner.disconnectFromHost();
    Other.disconnectFromHost();
    return Rig_.Until([&] { return Rig_.Features().Automation().Automation()->Server.ClientCount() == 0; });
}

void TTwoClients::Send(QTcpSocket& socket, const std::string& lines) {
    socket.write(lines.c_str());
    socket.flush();
}

bool StripTextsDrawn(TShell& shell) {
    auto* display = dynamic_cast<TScopeDisplayServices*>(&shell.Display());
    if (!display || !display->Panel()) return true;
    for (int slot = 0; slot < DelayedTextSlotCount; ++slot)
        if (display->Panel()->BottomStrip().Slot(slot).Timer) return false;
    return true;
}

std::string MaskState(TShell& shell) {
    return dynamic_cast<TScopeSerialServices&>(shell.Serial()).MaskTest().Mask().StateText();
}

void RunLoopFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

bool RunLoopUntil(const std::function<bool()>& done, int timeoutMs) {
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done()) loop.quit();
    });
    poll.start(5);
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    loop.exec();
    return done();
}

}  // namespace vt::test
