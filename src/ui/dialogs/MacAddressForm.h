#pragma once
// "MAC Address": shows the instrument's MAC address and, on a recent firmware, writes a new one.
#include <QDialog>

#include "link/InstrumentIdentity.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace vt {

class TShell;
class TUserDialogs;

class TfrmMAC_Address : public QDialog {
public:
    TfrmMAC_Address(TShell& shell, TUserDialogs& dialogs, QWidget* owner);

    bool Editing() const { return Editing_; }
    QLineEdit& AddressEdit() const { return *edMAC_; }
    QPushButton& ChangeButton() const { return *btnChange_; }
    QPushButton& StoreButton() const { return *btnStore_; }
    QLabel& AddressLabel() const { return *lblMAC_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    bool Connected() const;
    void Reload();
    void SetEditing(bool on);
    void Edited();
    void StoreClick();

    TShell& Shell_;
    TUserDialogs& Dialogs_;
    TMacAddress Current_{};
    bool Editing_ = false;
    QLabel* lblMAC_;
    QLineEdit* edMAC_;
    QPushButton* btnChange_;
    QPushButton* btnStore_;
    QPushButton* btnClose_;
};

}  // namespace vt
