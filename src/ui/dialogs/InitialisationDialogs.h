#pragma once
// The three dialogs shown when the start instrument cannot be connected, and the connection's
// dialogs that show them.
#include <QDialog>
#include <QPointer>
#include <functional>

#include "link/InstrumentSelection.h"
#include "ui/dialogs/DialogRunner.h"

class QPushButton;

namespace vt {

// Puts the language in use on a form's named controls.
using TTranslateForm = std::function<void(QWidget& form)>;

// One initialisation dialog: its lines and buttons; each button closes it with its answer, and any
// other close answers Abort. The lines are the labels "Label1".., the buttons are named by their
// answer ("btnYes", "btnNo", "btnAbort", "btnIgnore"), so the language file holds their texts;
// translate (when set) puts them in the language in use before the dialog takes its size.
class TInitialisationDialog : public QDialog {
public:
    TInitialisationDialog(const TInitDialogContent& content, QWidget* parent, const TTranslateForm& translate = {});
    TInitDialogResult Answer() const { return Answer_; }
    // The button of that caption, or null.
    QPushButton* Button(const QString& caption) const;

private:
    TInitDialogResult Answer_ = TInitDialogResult::Abort;
};

class TDialog1 : public TInitialisationDialog {
public:
    TDialog1(std::string_view name, bool demo, QWidget* parent, const TTranslateForm& translate = {})
        : TInitialisationDialog(InitialisationDialogContent(1, name, demo), parent, translate) {}
};
class TDialog2 : public TInitialisationDialog {
public:
    TDialog2(std::string_view name, bool demo, QWidget* parent, const TTranslateForm& translate = {})
        : TInitialisationDialog(InitialisationDialogContent(2, name, demo), parent, translate) {}
};
class TDialog3 : public TInitialisationDialog {
public:
    TDialog3(std::string_view name, bool demo, QWidget* parent, const TTranslateForm& translate = {})
        : TInitialisationDialog(InitialisationDialogContent(3, name, demo), parent, translate) {}
};

// The dialogs of the interactive start and of a run-time switch.
class TStartUpDialogs : public TInstrumentDialogs {
public:
    TInitDialogResult ShowInitialisationDialog(int attempt, const std::string& instrumentName,
                                               bool demoAvailable) override;

    TDialogRunner Runner;      // exec() when empty
    QPointer<QWidget> Owner;   // the main window once it exists
    TTranslateForm Translate;  // the language in use, when one is
};

}  // namespace vt
