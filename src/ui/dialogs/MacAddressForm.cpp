#include "ui/dialogs/MacAddressForm.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "link/InstrumentInfo.h"
#include "link/InstrumentLink.h"
#include "ui/UserDialogs.h"
#include "ui/dialogs/DialogPlacing.h"
#include "ui/dialogs/DialogTexts.h"

namespace vt {

TfrmMAC_Address::TfrmMAC_Address(TShell& shell, TUserDialogs& dialogs, QWidget* owner)
    : QDialog(owner), Shell_(shell), Dialogs_(dialogs) {
    setObjectName(QStringLiteral("frmMAC_Address"));
    setFont(QFont(QStringLiteral("Liberation Sans"), 8));
    setWindowTitle(QStringLiteral("MAC Address"));
    setFixedSize(300, 112);
    lblMAC_ = Place(new QLabel(this), "lblMAC", 12, 12, 276, 16);
    edMAC_ = Place(new QLineEdit(this), "edMAC", 12, 32, 180, 22);
    btnChange_ = Place(new QPushButton(this), "btnChange", 204, 31, 84, 24);
    btnStore_ = Place(new QPushButton(QStringLiteral("Store"), this), "btnStore", 112, 78, 84, 24);
    btnClose_ = Place(new QPushButton(QStringLiteral("Close"), this), "btnClose", 204, 78, 84, 24);
    connect(btnChange_, &QPushButton::clicked, this, [this] { SetEditing(!Editing_); });
    connect(edMAC_, &QLineEdit::textChanged, this, [this] { Edited(); });
    connect(btnStore_, &QPushButton::clicked, this, [this] { StoreClick(); });
    connect(btnClose_, &QPushButton::clicked, this, &QDialog::accept);
}

bool TfrmMAC_Address::Connected() const {
    const TInstrumentLink* link = Shell_.Link();
    return link && link->IsInstrumentConnected();
}

void TfrmMAC_Address::showEvent(QShowEvent* event) {
    Reload();
    // Writing needs an instrument whose firmware takes a new address.
    TInstrumentIdentityUnit* unit = Shell_.Identity();
    btnChange_->setEnabled(Connected() && unit && IsVersionAtLeast(unit->Identity.SWVersion, {3, 10, 6}));
    SetEditing(false);
    QDialog::showEvent(event);
}

void TfrmMAC_Address::Reload() {
    TInstrumentIdentityUnit* unit = Shell_.Identity();
    Current_ = Connected() && unit ? unit->GetInstrumentMacAddress() : TMacAddress{};
}

void TfrmMAC_Address::SetEditing(bool on) {
    Editing_ = on;
    if (!on) Reload();
    btnChange_->setText(on ? DialogText(Shell_, "Cancel", "Cancel") : QStringLiteral("Change"));
    lblMAC_->setText(on ? DialogText(Shell_, "NewMACAddr", "New MAC Address")
                        : DialogText(Shell_, "CurrMAC_Addr", "Current MAC Address"));
    edMAC_->setReadOnly(!on);
    edMAC_->setText(QString::fromStdString(MacAddressText(Current_)));
    Edited();
}

void TfrmMAC_Address::Edited() {
    TMacAddress typed{};
    const bool valid = ParseMacAddress(edMAC_->text().toStdString(), typed);
    btnStore_->setEnabled(Editing_ && valid && typed != Current_);
    if (!Editing_) edMAC_->setStyleSheet(QString());
    else if (valid) edMAC_->setStyleSheet(QStringLiteral("QLineEdit { background: aqua; color: black; }"));
    else edMAC_->setStyleSheet(QStringLiteral("QLineEdit { background: red; color: yellow; }"));
}

void TfrmMAC_Address::StoreClick() {
    TMacAddress typed{};
    if (!ParseMacAddress(edMAC_->text().toStdString(), typed)) return;
    QString question = DialogText(Shell_, "NetworkAdmin",
                                  "You must to consult with network Administrator about new MAC address.\nAre you sure?");
    if (typed[0] % 2 != 0)
        question = DialogText(Shell_, "UsuallyEven", "!!! The first byte of the MAC address must be even!") + "\n" +
                   question;
    if (!Dialogs_.AskOkCancel(this, question)) return;
    if (!Connected()) return;
    if (!WriteMacAddress(*Shell_.Link(), typed)) {
        Dialogs_.ShowError(this, DialogText(Shell_, "ERR_MAC", "ERROR in Writing MAC Address into Unit"));
        return;
    }
    Dialogs_.ShowMessage(this,
                         DialogText(Shell_, "ToFinish", "A new MAC Address will be activated after power off the Veltrane"));
    SetEditing(false);
}

}  // namespace vt
