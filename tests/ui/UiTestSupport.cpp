#include "UiTestSupport.h"

#include <gtest/gtest.h>

#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <memory>

#include "core/CommandTree.h"
#include "link/InstrumentLink.h"
#include "link/InstrumentIdentity.h"
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

void TScriptedDialogs::ShowMessage(QWidget*, const QString& text) {
    Asked.push_back("Message: " + text.toStdString());
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

void RunLoopFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

bool RunLoopUntil(const std::function<bool()>& done) {
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done()) loop.quit();
    });
    poll.start(5);
    QTimer::singleShot(5000, &loop, &QEventLoop::quit);
    loop.exec();
    return done();
}

}  // namespace vt::test
