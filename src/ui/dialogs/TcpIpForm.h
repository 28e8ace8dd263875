#pragma once
// "TCP / IP Properties": the instrument's stored address, subnet mask and gateway, and the writing
// of new ones.
#include <QDialog>

#include "core/IpAddress.h"
#include "ui/dialogs/DialogRunner.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace vt {

class TShell;
class TUserDialogs;

class TTcpIpFrm : public QDialog {
public:
    TTcpIpFrm(TShell& shell, TUserDialogs& dialogs, QWidget* owner);

    TDialogRunner Runner;  // for the MAC dialog

    // Reads the stored properties again (from the instrument when one is connected).
    void RefreshProperties();

    QGroupBox& NewGroup() const { return *gbNew_; }
    QLineEdit& NewEdit(int i) const { return *edNew_[i]; }  // 0 address, 1 subnet mask, 2 gateway
    QLabel& StoredLabel(int i) const { return *lblStored_[i]; }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void ShowNew(bool on);
    void StoreClick();

    TShell& Shell_;
    TUserDialogs& Dialogs_;
    TIpAddress Stored_[3];
    QGroupBox* gbStored_;
    QGroupBox* gbNew_;
    QLabel* lblStored_[3];
    QLineEdit* edNew_[3];
    QPushButton* btnSetNew_;
    QPushButton* btnStore_;
    QPushButton* btnCancelNew_;
    QPushButton* btnMAC_;
    QPushButton* btnClose_;
};

}  // namespace vt
