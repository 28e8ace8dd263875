#pragma once
// The instrument list and its connection as a feature of the program: the start instrument at
// start-up, the run-time switch and "INSTR:".
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ui/ResponsiveLinkClock.h"
#include "ui/UiFeature.h"

namespace vt {

class TInstruments;
class TProgramLife;
class TShell;
class TUserDialogs;

class TInstrumentStart : public TUiFeature {
public:
    // args: the program's arguments (without the program name); embedding: started to serve
    // automation ("-Embedding"), which makes the start quiet. The life's ui features show the
    // connection's splash texts.
    TInstrumentStart(TShell& shell, TProgramLife& life, TUserDialogs& dialogs, std::vector<std::string> args,
                     bool embedding = false);
    ~TInstrumentStart() override;
    TInstrumentStart(const TInstrumentStart&) = delete;
    TInstrumentStart& operator=(const TInstrumentStart&) = delete;

    void FillRows(TShell& shell) override;
    TLinkClock* LinkClock() override { return &Clock_; }
    void LoadInstrumentList() override;
    bool StartStartInstrument() override;
    void WindowCreated(TMorda_fr& window, TSideMenus& menus, TKitContext& kit) override;
    void WindowGone() override;

    // Null until the list is loaded.
    TInstruments* Instruments() { return Instruments_.get(); }
    // Reads the instrument's temperature as the auto-calibration's reference once an instrument started.
    std::function<void()> ReadReferenceTemperature;

private:
    // What the connection asks of this feature and of the program's life.
    class TCallUps;

    TShell& Shell_;
    TProgramLife& Life_;
    TUserDialogs& Dialogs_;
    std::vector<std::string> Args_;
    bool Embedding_ = false;
    TResponsiveLinkClock Clock_;
    std::unique_ptr<TCallUps> CallUps_;  // outlives the connection that calls it
    std::unique_ptr<TInstruments> Instruments_;
};

// Every ui feature of the life shows the status (the splash screen's line).
void ShowSplashStatus(TProgramLife& life, const std::string& status);

}  // namespace vt
