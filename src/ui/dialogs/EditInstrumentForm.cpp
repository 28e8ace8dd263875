#include "ui/dialogs/EditInstrumentForm.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "core/AsciiText.h"
#include "link/InstrumentSelection.h"
#include "ui/UserDialogs.h"
#include "ui/dialogs/DialogPlacing.h"

namespace vt {

TfrmEditInstrument::TfrmEditInstrument(const TInstrumentList& list, TUserDialogs& dialogs, QWidget* owner)
    : QDialog(owner), List_(list), Dialogs_(dialogs) {
    setObjectName(QStringLiteral("frmEditInstrument"));
    setFont(QFont(QStringLiteral("Liberation Sans"), 8));
    setFixedSize(330, 196);
    lblInstrName_ = Place(new QLabel(this), "lblInstrName", 12, 10, 306, 18);
    QFont bold = lblInstrName_->font();
    bold.setBold(true);
    lblInstrName_->setFont(bold);

    rgSelectInterface_ = Place(new QGroupBox(QStringLiteral(" Select Interface "), this), "rgSelectInterface", 12,
                               32, 306, 44);
    rbLan_ = Place(new QRadioButton(QStringLiteral("LAN"), rgSelectInterface_), "rbLan", 12, 18, 100, 20);
    rbDemo_ = Place(new QRadioButton(QStringLiteral("Demo"), rgSelectInterface_), "rbDemo", 140, 18, 100, 20);
    connect(rbLan_, &QRadioButton::clicked, this, [this] { SelectInterface(0); });
    connect(rbDemo_, &QRadioButton::clicked, this, [this] { SelectInterface(1); });

    Place(new QLabel(QStringLiteral("Interface:"), this), "lblInterfaceCaption", 12, 84, 80, 18);
    lblInterface_ = Place(new QLabel(this), "lblInterface", 96, 84, 222, 18);
    Place(new QLabel(QStringLiteral("Name:"), this), "lblAliasCaption", 12, 110, 80, 18);
    edAlias_ = Place(new QLineEdit(this), "edAlias", 96, 108, 222, 22);
    lblIpCaption_ = Place(new QLabel(QStringLiteral("IP Address:"), this), "lblIPCaption", 12, 138, 80, 18);
    edIP_ = Place(new QLineEdit(this), "edIP", 96, 136, 222, 22);

    btnInstrOK_ = Place(new QPushButton(QStringLiteral("OK"), this), "btnInstrOK", 150, 166, 80, 24);
    btnInstrOK_->setDefault(true);
    btnInstrCancel_ = Place(new QPushButton(QStringLiteral("Cancel"), this), "btnInstrCancel", 238, 166, 80, 24);
    connect(btnInstrOK_, &QPushButton::clicked, this, [this] { OkClick(); });
    connect(btnInstrCancel_, &QPushButton::clicked, this, &QDialog::reject);
}

void TfrmEditInstrument::showEvent(QShowEvent* event) {
    setWindowTitle(Adding ? QStringLiteral("Add New Instrument") : QStringLiteral("Edit Instrument"));
    lblInstrName_->setText(Adding ? QStringLiteral("New Instrument") : QString::fromStdString(InstrumentName));
    const bool choice = Adding && !NewDemoName.empty() && !NewLanName.empty();
    rgSelectInterface_->setVisible(choice);
    if (choice) {
        rbLan_->setChecked(true);
        SelectInterface(0);
    } else if (Adding) {
        const bool demo = !NewDemoName.empty();
        Prop.Kind = demo ? TInstrumentLinkKind::Demo : TInstrumentLinkKind::Tcp;
        InstrumentName = demo ? NewDemoName : NewLanName;
    }
    if (parentWidget()) {
        const QPoint corner = parentWidget()->mapToGlobal(QPoint(0, 0));
        move(corner.x() + 120, corner.y() + 200);
    }
    ShowInstrument();
    QDialog::showEvent(event);
}

void TfrmEditInstrument::SelectInterface(int item) {
    Prop.Kind = item == 0 ? TInstrumentLinkKind::Tcp : TInstrumentLinkKind::Demo;
    InstrumentName = item == 0 ? NewLanName : NewDemoName;
    ShowInstrument();
}

void TfrmEditInstrument::ShowInstrument() {
    const bool lan = Prop.Kind == TInstrumentLinkKind::Tcp;
    lblInterface_->setText(QString::fromStdString(std::string(InterfaceName(Prop.Kind))));
    if (lan) {
        edIP_->setText(QString::fromStdString(Prop.IpAddress.Valid ? IpAddressToText(Prop.IpAddress)
                                                                   : Prop.IpAddressText));
    } else {
        edIP_->setText(QStringLiteral("Not Used"));
    }
    const bool addressEditable = lan && UpperCase(InstrumentName).find("DEFAULT") == std::string::npos;
    edIP_->setEnabled(addressEditable);
    lblIpCaption_->setEnabled(addressEditable);
    edAlias_->setText(QStringLiteral("%1  [%2]").arg(QString::fromStdString(Prop.Label),
                                                     QString::fromStdString(InstrumentName)));
}

void TfrmEditInstrument::OkClick() {
    Prop.Label = InstrumentLabelOfDisplayText(edAlias_->text().toStdString());
    if (Prop.Kind == TInstrumentLinkKind::Tcp && edIP_->isEnabled()) {
        const std::string text = edIP_->text().toStdString();
        TIpAddress address;
        const std::string problem = CheckInstrumentAddress(List_, text, Adding ? std::string_view() : InstrumentName,
                                                           address);
        if (!problem.empty()) {
            Dialogs_.ShowMessage(this, QString::fromStdString(problem));
            edIP_->setFocus();
            return;
        }
        Prop.IpAddress = address;
        Prop.IpAddressText.clear();
    }
    accept();
}

}  // namespace vt
