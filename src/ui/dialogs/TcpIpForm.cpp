#include "ui/dialogs/TcpIpForm.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "link/InstrumentInfo.h"
#include "link/InstrumentLink.h"
#include "link/InstrumentList.h"
#include "ui/UserDialogs.h"
#include "ui/dialogs/DialogPlacing.h"
#include "ui/dialogs/DialogTexts.h"
#include "ui/dialogs/MacAddressForm.h"

namespace vt {

namespace {
constexpr int StoredWaitMs = 100;
constexpr const char* Queries[3] = {"Info:TCPIP:MyIP?", "Info:TCPIP:SubMask?", "Info:TCPIP:Gateway?"};

}  // namespace

TTcpIpFrm::TTcpIpFrm(TShell& shell, TUserDialogs& dialogs, QWidget* owner)
    : QDialog(owner), Shell_(shell), Dialogs_(dialogs) {
    setObjectName(QStringLiteral("TcpIpFrm"));
    setFont(QFont(QStringLiteral("Liberation Sans"), 8));
    setWindowTitle(QStringLiteral("TCP / IP Properties"));
    setFixedSize(330, 290);
    const QString captions[3] = {DialogText(shell, "IPAddress_", "IP Address:"), QStringLiteral("Subnet Mask:"),
                                 QStringLiteral("Default Gateway:")};
    static const char* storedNames[3] = {"lblIPAddress", "lblSubnetMask", "lblGateway"};
    static const char* editNames[3] = {"edIPAddress", "edSubnetMask", "edGateway"};
    gbStored_ = Place(new QGroupBox(QStringLiteral(" Stored TCP/IP Properties "), this), "gbStored", 10, 8, 310, 96);
    gbNew_ = Place(new QGroupBox(QStringLiteral(" New TSP/ IP Properties "), this), "gbNew", 10, 136, 310, 110);
    for (int i = 0; i < 3; ++i) {
        auto* stored = new QLabel(captions[i], gbStored_);
        stored->setGeometry(10, 20 + i * 24, 110, 18);
        lblStored_[i] = Place(new QLabel(gbStored_), storedNames[i], 124, 20 + i * 24, 176, 18);
        auto* caption = new QLabel(captions[i], gbNew_);
        caption->setGeometry(10, 20 + i * 26, 110, 18);
        edNew_[i] = Place(new QLineEdit(gbNew_), editNames[i], 124, 18 + i * 26, 176, 22);
    }
    btnSetNew_ = Place(new QPushButton(QStringLiteral("Set New TCP/ IP Properties"), this), "btnSetNew", 10, 108, 180,
                       24);
    btnMAC_ = Place(new QPushButton(QStringLiteral("MAC Address"), this), "btnMAC", 200, 108, 120, 24);
    btnStore_ = Place(new QPushButton(QStringLiteral("Store"), this), "btnStore", 148, 254, 80, 24);
    btnCancelNew_ = Place(new QPushButton(QStringLiteral("Cancel"), this), "btnCancelNew", 240, 254, 80, 24);
    btnClose_ = Place(new QPushButton(QStringLiteral("Close"), this), "btnClose", 240, 254, 80, 24);
    connect(btnSetNew_, &QPushButton::clicked, this, [this] { ShowNew(true); });
    connect(btnCancelNew_, &QPushButton::clicked, this, [this] { ShowNew(false); });
    connect(btnStore_, &QPushButton::clicked, this, [this] { StoreClick(); });
    connect(btnClose_, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnMAC_, &QPushButton::clicked, this, [this] {
        TfrmMAC_Address mac(Shell_, Dialogs_, this);
        RunModal(Runner, mac);
    });
}

void TTcpIpFrm::showEvent(QShowEvent* event) {
    RefreshProperties();
    ShowNew(false);
    QDialog::showEvent(event);
}

void TTcpIpFrm::RefreshProperties() {
    TInstrumentLink* link = Shell_.Link();
    const bool connected = link && link->IsInstrumentConnected();
    for (int i = 0; i < 3; ++i) {
        Stored_[i] = connected ? QueryIpAddress(*link, Queries[i]) : TIpAddress{};
        if (!connected) Stored_[i].Valid = 0;
        lblStored_[i]->setText(QString::fromStdString(FormatIpAddress(Stored_[i], 1)));
    }
}

void TTcpIpFrm::ShowNew(bool on) {
    gbNew_->setVisible(on);
    btnStore_->setVisible(on);
    btnCancelNew_->setVisible(on);
    btnSetNew_->setEnabled(!on);
    btnClose_->setVisible(!on);
    btnClose_->setEnabled(!on);
    if (on)
        for (int i = 0; i < 3; ++i) edNew_[i]->setText(QString::fromStdString(FormatIpAddress(Stored_[i], 1)));
}

void TTcpIpFrm::closeEvent(QCloseEvent* event) {
    if (btnClose_->isEnabled()) QDialog::closeEvent(event);
    else event->ignore();
}

void TTcpIpFrm::reject() {
    if (btnClose_->isEnabled()) QDialog::reject();
}

void TTcpIpFrm::StoreClick() {
    static const std::pair<const char*, const char*> Bad[3] = {
        {"incorrIPAddress", "incorrect IP Address format"},
        {"incorrSubnetMask", "incorrect Subnet Mask format"},
        {"incorrSubnetGateway", "incorrect Gateway format"}};
    TIpAddress typed[3];
    for (int i = 0; i < 3; ++i) {
        if (!ParseIpAddress(edNew_[i]->text().toStdString(), typed[i])) {
            Dialogs_.ShowMessage(this, DialogText(Shell_, Bad[i].first, Bad[i].second));
            edNew_[i]->setFocus();
            return;
        }
    }
    TInstrumentLink* link = Shell_.Link();
    if (!link || !link->IsInstrumentConnected()) {
        // Nothing can be stored without an instrument.
        Dialogs_.ShowMessage(this, QStringLiteral("Unit not connected."));
        return;
    }
    const std::string failed = WriteTcpIpProperties(*link, typed[0], typed[1], typed[2]);
    if (!failed.empty()) {
        static const std::pair<const char*, const char*> Errors[3] = {
            {"ERR_WrGateway", "ERROR in Writing Gateway"},
            {"ERR_WrSubnetMask", "ERROR in Writing Subnet Mask"},
            {"ERR_WrIPAddress", "ERROR in Writing IP Address"}};
        for (const auto& [key, builtIn] : Errors)
            if (failed == key) Dialogs_.ShowError(this, DialogText(Shell_, key, builtIn));
        return;
    }
    RefreshProperties();
    link->Clock().SleepMs(StoredWaitMs);
    Dialogs_.ShowMessage(this, DialogText(Shell_, "IPsuccessfullyStored", "IP Properties successfully stored"));
    ShowNew(false);
}

}  // namespace vt
