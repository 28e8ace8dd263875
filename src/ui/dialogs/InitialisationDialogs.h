#pragma once
// The three dialogs shown when the start instrument cannot be connected, and the connection's
// dialogs that show them.
#include <QDialog>
#include <QPointer>

#include "link/InstrumentSelection.h"
#include "ui/dialogs/DialogRunner.h"

class QPushButton;

namespace vt {

// One initialisation dialog: its lines and buttons; each button closes it with its answer, and any
// other close answers Abort.
class TInitialisationDialog : public QDialog {
public:
    TInitialisationDialog(const TInitDialogContent& content, QWidget* parent);
    TInitDialogResult Answer() const { return Answer_; }
    // The button of that caption, or null.
    QPushButton* Button(const QString& caption) const;

private:
    TInitDialogResult Answer_ = TInitDialogResult::Abort;
};

class TDialog1 : public TInitialisationDialog {
public:
    TDialog1(std::string_view name, bool demo, QWidget* parent)
        : TInitialisationDialog(InitialisationDialogContent(1, name, demo), parent) {}
};
class TDialog2 : public TInitialisationDialog {
public:
    TDialog2(std::string_view name, bool demo, QWidget* parent)
        : TInitialisationDialog(InitialisationDialogContent(2, name, demo), parent) {}
};
class TDialog3 : public TInitialisationDialog {
public:
    TDialog3(std::string_view name, bool demo, QWidget* parent)
        : TInitialisationDialog(InitialisationDialogContent(3, name, demo), parent) {}
};

// The dialogs of the interactive start and of a run-time switch.
class TStartUpDialogs : public TInstrumentDialogs {
public:
    TInitDialogResult ShowInitialisationDialog(int attempt, const std::string& instrumentName,
                                               bool demoAvailable) override;

    TDialogRunner Runner;      // exec() when empty
    QPointer<QWidget> Owner;   // the main window once it exists
};

}  // namespace vt
