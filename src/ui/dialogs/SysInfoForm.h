#pragma once
// "Instrument Info": the identity of the attached instrument, its live temperature, the information
// file and, without an instrument, the choice of the demo model.
#include <QDialog>
#include <QTimer>
#include <functional>

#include "link/InstrumentInfoFile.h"
#include "ui/dialogs/DialogRunner.h"

class QLabel;
class QListWidget;
class QPushButton;

namespace vt {

class TShell;
class TUserDialogs;

// What the window asks of features that may not be built.
struct TInfoHooks {
    // Calibration or adjustment values were changed and not stored.
    std::function<bool()> ValuesUnstored;
    // Reads one set of values from the instrument (calibration false: the adjustment set).
    std::function<void(bool calibration, TInfoFileValues& values)> ReadValues;
    // "Change Model".
    std::function<void(QWidget* owner)> ChangeModel;
};

class TSysInfoFrm : public QDialog {
public:
    static constexpr int TimerMs = 300;

    TSysInfoFrm(TShell& shell, TUserDialogs& dialogs, const TInfoHooks& hooks, QWidget* owner);

    // The show step again: after a link recovery the identity may have changed.
    void Refresh();
    // One tick of the temperature timer.
    void TimerTick();
    void SaveInfoFileClick();

    QLabel& Value(const char* name) const;
    QPushButton& ChangeModelButton() const { return *btnChangeModel_; }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    TInfoFileSources Sources() const;
    double Temperature_ = 0;

    TShell& Shell_;
    TUserDialogs& Dialogs_;
    const TInfoHooks& Hooks_;
    QTimer Timer1_;
    QPushButton* btnChangeModel_;
    QPushButton* btnSaveInfo_;
    QPushButton* btnOK_;
};

// The program's own version record as a version text ("2.4.4  (1, Mar 2011)").
std::string OwnVersionText();

// "Select Model of Instruments": the demo model of the next run.
class TSelectModelofInstruments : public QDialog {
public:
    // currentType: this run's model type; nextType: a choice made earlier (0: none).
    TSelectModelofInstruments(TShell& shell, int currentType, int nextType, QWidget* owner);
    int Chosen() const { return Chosen_; }
    bool RestartChosen() const { return Restart_; }
    void Choose(int type);

private:
    int Current_, Next_, Chosen_;
    bool Restart_ = false;
    QListWidget* List_;
    QLabel* lblRestart_;
    QPushButton* btnOK_;
    QPushButton* btnRestart_;
};

}  // namespace vt
