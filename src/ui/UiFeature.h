#pragma once
// The part of a feature that only the user interface sees: the main block before the window, the
// window's commands and the side-menu forms. A feature with a face derives from this instead of
// TFeature; every member has an empty default.
#include <string>
#include <vector>

#include "core/Feature.h"

class QWidget;

namespace vt {

class TKitContext;
class TLinkClock;
class TMorda_fr;
class TSideMenus;

class TUiFeature : public TFeature {
public:
    // --- the main block, before the window ---
    virtual void ShowSplash() {}
    virtual void SplashStatus(const std::string& status) { (void)status; }
    // Sleeps only while a splash screen is shown.
    virtual void SplashSleep(int ms) { (void)ms; }
    virtual void CloseSplash() {}
    // The clock of the instrument link's waits, when the feature keeps the window responsive in them.
    virtual TLinkClock* LinkClock() { return nullptr; }
    // The data folders and the link exist: the instrument list is read.
    virtual void LoadInstrumentList() {}
    // Chooses and connects the start instrument (the shell's start instrument name); false when the
    // user gave up and the program must end.
    virtual bool StartStartInstrument() { return true; }
    // Its side-menu forms, registered by kind into the side menus' factory once the window exists.
    virtual void RegisterForms(TSideMenus& menus) { (void)menus; }
    // The main window and its side menus exist; runs before the registration.
    virtual void WindowCreated(TMorda_fr& window, TSideMenus& menus, TKitContext& kit) {
        (void)window, (void)menus, (void)kit;
    }
    // The main window is about to go: nothing of it may be used from here on.
    virtual void WindowGone() {}

    // --- the window's commands ---
    // The "System" button: false when the program must end.
    virtual bool SelectInstrumentsDialog() { return true; }
    virtual void ShowConsole(QWidget* owner) { (void)owner; }
    virtual void ShowHelpContext(int context) { (void)context; }
    // A jitter plot window was closed: its bit in "Jitter:JPlots".
    virtual void ClearJitterPlotBit(int plot) { (void)plot; }
};

// Runs f for every feature of the list that has a face, in the list's order.
template <class F>
void ForEachUiFeature(const std::vector<TFeature*>& features, F f) {
    for (TFeature* feature : features)
        if (auto* ui = dynamic_cast<TUiFeature*>(feature)) f(*ui);
}

}  // namespace vt
