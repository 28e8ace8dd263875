#pragma once
// "Add New Instrument" / "Edit Instrument": the interface, the label and the address of one entry.
#include <QDialog>
#include <functional>
#include <string>

#include "link/InstrumentList.h"

class QButtonGroup;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace vt {

class TUserDialogs;

class TfrmEditInstrument : public QDialog {
public:
    // list: for the used addresses; instrumentName: the edited entry's name (editing) or empty.
    TfrmEditInstrument(const TInstrumentList& list, TUserDialogs& dialogs, QWidget* owner);

    // Set before showing.
    TInstrumentProp Prop;
    bool Adding = false;
    std::string NewDemoName;
    std::string NewLanName;
    std::string InstrumentName;

    QLineEdit& AliasEdit() const { return *edAlias_; }
    QLineEdit& IpEdit() const { return *edIP_; }
    QPushButton& OkButton() const { return *btnInstrOK_; }
    QGroupBox& InterfaceGroup() const { return *rgSelectInterface_; }
    QRadioButton& InterfaceItem(int i) const { return i == 0 ? *rbLan_ : *rbDemo_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void ShowInstrument();
    void SelectInterface(int item);
    void OkClick();

    const TInstrumentList& List_;
    TUserDialogs& Dialogs_;
    QLabel* lblInstrName_;
    QGroupBox* rgSelectInterface_;
    QRadioButton* rbLan_;
    QRadioButton* rbDemo_;
    QLabel* lblInterface_;
    QLabel* lblIpCaption_;
    QLineEdit* edAlias_;
    QLineEdit* edIP_;
    QPushButton* btnInstrOK_;
    QPushButton* btnInstrCancel_;
};

}  // namespace vt
