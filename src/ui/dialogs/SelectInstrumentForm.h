#pragma once
// "Select Instruments": edits the instrument list, chooses the start instrument, creates its desktop
// shortcut and chooses the instrument to switch to.
#include <QDialog>
#include <filesystem>
#include <functional>
#include <string>

#include "ui/dialogs/DialogRunner.h"

class QComboBox;
class QGroupBox;
class QLabel;
class QListWidget;
class QPushButton;

namespace vt {

class TInstruments;
class TUserDialogs;

// What the dialog needs besides the instrument list.
struct TSelectInstrumentsContext {
    TUserDialogs* Dialogs = nullptr;
    TDialogRunner Runner;  // for the dialog and the ones it opens
    std::vector<std::string> Args;  // the program's arguments, for a reload after Cancel
    std::filesystem::path Program;  // the program's own file
    std::filesystem::path DataRoot;  // empty when the default one
    std::filesystem::path DesktopFolder;
    // The language text of a key, else the built-in text.
    std::function<std::string(std::string_view key, std::string_view builtIn)> Lang;
    // Opens the folder in the desktop's file manager.
    std::function<void(const std::filesystem::path&)> ShowFolder;
};

class TfrmSelectInstrument : public QDialog {
public:
    TfrmSelectInstrument(TInstruments& instruments, TSelectInstrumentsContext& context, QWidget* owner);

    // The instrument to switch to (starts as the current one).
    const std::string& ChosenName() const { return ChosenName_; }
    bool Changed() const;

    void FillLists();

    QComboBox& ConfigurationBox() const { return *cbListOfConfiguration_; }
    QComboBox& StartupBox() const { return *cbStartupInstruments_; }
    QListWidget& CurrentList() const { return *lbCurrentInstrument_; }
    QGroupBox& CurrentGroup() const { return *gbCurrent_; }
    QGroupBox& ConfigurationGroup() const { return *gbConfiguration_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    std::string Lang(std::string_view key, std::string_view builtIn) const;
    void ConfigurationChanged();
    void StartupChanged();
    void DeleteClick();
    void AddEditClick(bool adding);
    void ChangeCurrentClick();
    void CurrentChosen(int row);
    void CloseCurrentChoice();
    void OkClick();
    void CreateShortcutClick();
    void SelectConfiguration(const std::string& name);

    TInstruments& Instruments_;
    TSelectInstrumentsContext& Context_;
    std::string ChosenName_;
    std::string NewLanName_;
    std::string NewDemoName_;
    int StoredGroupHeight_ = 0;

    QGroupBox* gbConfiguration_;
    QComboBox* cbListOfConfiguration_;
    QLabel* lblAlias_;
    QLabel* lblInterface_;
    QLabel* lblIP_;
    QLabel* lblIPCaption_;
    QPushButton* btnAdd_;
    QPushButton* BtnEdit_;
    QPushButton* btnDelete_;
    QLabel* lblStartup_;
    QComboBox* cbStartupInstruments_;
    QLabel* lblShortcut_;
    QPushButton* btnCreateShortcut_;
    QGroupBox* gbCurrent_;
    QLabel* lblCurrentUnit_;
    QPushButton* btnChangeCurrentInstrument_;
    QListWidget* lbCurrentInstrument_;
    QPushButton* btnCancel2_;
    QPushButton* btnOK_;
    QPushButton* btnCancel_;
};

// The "System" button: false when the program must end (a switch gave up).
bool SelectInstrumentsDialog(TInstruments& instruments, TSelectInstrumentsContext& context, QWidget* owner);
// Creates the desktop shortcut of the display text and tells the user how it went.
void CreateInstrumentShortcut(const std::string& displayText, TSelectInstrumentsContext& context, QWidget* owner);

}  // namespace vt
