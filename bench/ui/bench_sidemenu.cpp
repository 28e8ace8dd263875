// Opening a side menu: create the form, translate it from the chosen language file and bind its 60
// switchers to their settings. Target: a few milliseconds.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QPainter>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "BenchApp.h"
#include "core/EditHandlers.h"
#include "core/InternalError.h"
#include "core/LanguageState.h"
#include "core/CommandTree.h"
#include "ui/SideMenu.h"
#include "ui/SideMenuLanguage.h"

namespace {

using namespace vt;

constexpr int PageCount = 4;
constexpr int SwitchersPerPage = 15;

class TBenchSwitcher : public TRC_Switcher {
public:
    using TRC_Switcher::TRC_Switcher;
    void CheckHandler() override {
        if (!dynamic_cast<TIntEditHandler*>(GetHandler())) VT_INTERNAL_ERROR(AllMyControlsUnit, "wrong handler");
    }
};

class TBenchForm : public TSideMenuForm {
public:
    TBenchForm(TSideMenus& menus, QWidget* parent) : TSideMenuForm(menus, parent) {
        setObjectName("Bench_Form");
        for (int p = 0; p < PageCount; ++p) {
            auto* page = new TRC_RightMenuPanel(this);
            page->setObjectName(QString("rmpPage%1").arg(p));
            page->SetGroupMnemonics("Bench" + std::to_string(p));
            page->SetCaption("Page");
            for (int i = 0; i < SwitchersPerPage; ++i) {
                auto* sw = new TBenchSwitcher(page);
                sw->setObjectName(QString("sw%1").arg(i));
                sw->SetCaption("Setting");
                sw->SetMnemonics("Value" + std::to_string(i));
            }
            Pages_.push_back(page);
        }
    }
    void SetTopPanel(int page) override {
        ShowPanel(Pages_[static_cast<std::size_t>(page % PageCount)]);
        TSideMenuForm::SetTopPanel(page);
    }

private:
    std::vector<TRC_RightMenuPanel*> Pages_;
};

QApplication& App() { return BenchApp(); }

void BM_OpenSideMenuOf60Switchers(benchmark::State& state) {
    App();
    namespace fs = std::filesystem;
    const fs::path root = fs::temp_directory_path() / "vt_bench_sidemenu";
    fs::create_directories(root);
    std::ofstream(root / "Language-Vlt.Eng") << "[Common]\nCommon:Language=English\n";
    {
        std::ofstream deu(root / "Language-Vlt.Deu");
        deu << "[Common]\nCommon:Language=Deutsch\n[Bench_Form]\n";
        for (int p = 0; p < PageCount; ++p) {
            deu << "Bench_Form:Menu Panel rmpPage" << p << ".Caption=Seite\n";
            for (int i = 0; i < SwitchersPerPage; ++i)
                deu << "Bench_Form:Menu Panel rmpPage" << p << ".sw" << i << ".Caption=Einstellung " << i << "\n";
        }
    }
    TLanguageState language(
        {.DataRoot = root, .ConfigFolder = root / "config", .ProgramFile = "bench", .ShowMessage = {}, .AskYesNo = {},
         .InstrumentName = {}});
    language.StoreChosenCode("DEU");
    language.InitLanguages();

    auto tree = CreateCommandTree();
    for (int p = 0; p < PageCount; ++p)
        for (int i = 0; i < SwitchersPerPage; ++i)
            tree->Root().AddIntEditHandler("Bench" + std::to_string(p) + ":Value" + std::to_string(i),
                                           {.Initial = static_cast<double>(i), .Config = {.Minimum = 0, .Maximum = 100}});
    TKitContext kit([&tree](std::string_view path) { return tree->Root().FindHandler(path); });
    QWidget mainWindow;
    TSideMenus menus(kit, &mainWindow);
    TranslateSideMenus(menus, language);
    menus.RegisterForm(mkTimebase, [](TSideMenus& m, QWidget* parent, bool) -> TSideMenuForm* { return new TBenchForm(m, parent); });

    for (auto _ : state) {
        menus.ShowSideMenu(mkTimebase, 0);
        benchmark::DoNotOptimize(menus.Form(0));
        state.PauseTiming();
        // Every posted event, not only the deletions: the rest would pile up from one opening to the next.
        QCoreApplication::sendPostedEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        state.ResumeTiming();
    }
    menus.ShowSideMenu(mkNone, 0);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    fs::remove_all(root);
}
BENCHMARK(BM_OpenSideMenuOf60Switchers)->Unit(benchmark::kMillisecond);

}  // namespace
