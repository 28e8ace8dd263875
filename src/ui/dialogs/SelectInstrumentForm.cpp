#include "ui/dialogs/SelectInstrumentForm.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/AsciiText.h"
#include "core/InternalError.h"
#include "link/InstrumentConnection.h"
#include "link/InstrumentSelection.h"
#include "ui/UserDialogs.h"
#include "ui/dialogs/DialogPlacing.h"
#include "ui/dialogs/EditInstrumentForm.h"

namespace vt {

namespace {

constexpr int ChoosingGroupHeight = 250;
constexpr int CurrentGroupHeight = 56;


QString Q(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

TfrmSelectInstrument::TfrmSelectInstrument(TInstruments& instruments, TSelectInstrumentsContext& context,
                                           QWidget* owner)
    : QDialog(owner), Instruments_(instruments), Context_(context), ChosenName_(instruments.CurrentName()) {
    setObjectName(QStringLiteral("frmSelectInstrument"));
    setFont(QFont(QStringLiteral("Liberation Sans"), 8));
    setWindowTitle(QStringLiteral("Select Instruments"));

    gbConfiguration_ = new QGroupBox(QStringLiteral(" System Configuration "), this);
    gbConfiguration_->setObjectName(QStringLiteral("gbConfiguration"));
    gbConfiguration_->setFixedSize(420, 222);
    QGroupBox* g = gbConfiguration_;
    Place(new QLabel(QStringLiteral("List of Instruments"), g), "lblListOfConfiguration", 10, 18, 270, 16);
    cbListOfConfiguration_ = Place(new QComboBox(g), "cbListOfConfiguration", 10, 36, 280, 22);
    btnAdd_ = Place(new QPushButton(QStringLiteral("Add..."), g), "btnAdd", 306, 36, 100, 24);
    BtnEdit_ = Place(new QPushButton(QStringLiteral("Edit..."), g), "BtnEdit", 306, 66, 100, 24);
    btnDelete_ = Place(new QPushButton(QStringLiteral("Delete"), g), "btnDelete", 306, 96, 100, 24);
    Place(new QLabel(QStringLiteral("Name:"), g), "lblAliasCaption", 10, 66, 70, 16);
    lblAlias_ = Place(new QLabel(g), "lblAlias", 84, 66, 206, 16);
    Place(new QLabel(QStringLiteral("Interface:"), g), "lblInterfaceCaption", 10, 84, 70, 16);
    lblInterface_ = Place(new QLabel(g), "lblInterface", 84, 84, 206, 16);
    lblIPCaption_ = Place(new QLabel(QStringLiteral("IP Address:"), g), "lblIPCaption", 10, 102, 70, 16);
    lblIP_ = Place(new QLabel(g), "lblIP", 84, 102, 206, 16);
    lblStartup_ = Place(new QLabel(QStringLiteral("Statup Instrument"), g), "lblStartupInstruments", 10, 132, 270, 16);
    cbStartupInstruments_ = Place(new QComboBox(g), "cbStartupInstruments", 10, 150, 280, 22);
    lblShortcut_ = Place(new QLabel(QStringLiteral("Create Shortcut for Startup Instrument"), g), "lblShortcut", 10,
                         186, 280, 16);
    btnCreateShortcut_ = Place(new QPushButton(QStringLiteral("..."), g), "btnCreateShortcut", 306, 182, 32, 24);
    auto* serial = Place(new QLabel(g), "lblSerialNumber", 306, 150, 100, 16);
    serial->hide();

    gbCurrent_ = new QGroupBox(QStringLiteral(" Current Instrument "), this);
    gbCurrent_->setObjectName(QStringLiteral("gbCurrent"));
    gbCurrent_->setFixedSize(420, CurrentGroupHeight);
    lblCurrentUnit_ = Place(new QLabel(gbCurrent_), "lblCurrentUnit", 10, 24, 220, 16);
    btnChangeCurrentInstrument_ = Place(new QPushButton(QStringLiteral("Change Current Instrument..."), gbCurrent_),
                                        "btnChangeCurrentInstrument", 236, 20, 170, 24);
    lbCurrentInstrument_ = Place(new QListWidget(gbCurrent_), "lbCurrentInstrument", 10, 52, 396, 156);
    lbCurrentInstrument_->hide();
    btnCancel2_ = Place(new QPushButton(QStringLiteral("Cancel"), gbCurrent_), "btnCancel2", 326, 216, 80, 24);
    btnCancel2_->hide();

    btnOK_ = new QPushButton(QStringLiteral("OK"), this);
    btnOK_->setObjectName(QStringLiteral("btnOK"));
    btnOK_->setEnabled(false);
    btnCancel_ = new QPushButton(QStringLiteral("Cancel"), this);
    btnCancel_->setObjectName(QStringLiteral("btnCancel"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOK_);
    buttons->addWidget(btnCancel_);
    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(gbConfiguration_);
    layout->addWidget(gbCurrent_);
    layout->addLayout(buttons);

    connect(cbListOfConfiguration_, &QComboBox::currentIndexChanged, this, [this] { ConfigurationChanged(); });
    connect(cbStartupInstruments_, &QComboBox::currentIndexChanged, this, [this] { StartupChanged(); });
    connect(btnDelete_, &QPushButton::clicked, this, [this] { DeleteClick(); });
    connect(btnAdd_, &QPushButton::clicked, this, [this] { AddEditClick(true); });
    connect(BtnEdit_, &QPushButton::clicked, this, [this] { AddEditClick(false); });
    connect(btnChangeCurrentInstrument_, &QPushButton::clicked, this, [this] { ChangeCurrentClick(); });
    connect(lbCurrentInstrument_, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { CurrentChosen(lbCurrentInstrument_->row(item)); });
    connect(btnCancel2_, &QPushButton::clicked, this, [this] { CloseCurrentChoice(); });
    connect(btnOK_, &QPushButton::clicked, this, [this] { OkClick(); });
    connect(btnCancel_, &QPushButton::clicked, this, &QDialog::reject);
    connect(btnCreateShortcut_, &QPushButton::clicked, this, [this] { CreateShortcutClick(); });
}

std::string TfrmSelectInstrument::Lang(std::string_view key, std::string_view builtIn) const {
    return Context_.Lang ? Context_.Lang(key, builtIn) : std::string(builtIn);
}

bool TfrmSelectInstrument::Changed() const { return btnOK_->isEnabled(); }

void TfrmSelectInstrument::showEvent(QShowEvent* event) {
    const bool fromCommandLine = Instruments_.List().StartFromCommandLine();
    for (QWidget* w : std::initializer_list<QWidget*>{cbStartupInstruments_, lblStartup_, lblShortcut_,
                                                      btnCreateShortcut_})
        w->setEnabled(!fromCommandLine);
    FillLists();
    QDialog::showEvent(event);
}

void TfrmSelectInstrument::FillLists() {
    const TInstrumentList& list = Instruments_.List();
    const std::string& current = Instruments_.CurrentName();
    const QSignalBlocker b1(cbListOfConfiguration_), b2(cbStartupInstruments_), b3(lbCurrentInstrument_);
    cbListOfConfiguration_->clear();
    cbStartupInstruments_->clear();
    lbCurrentInstrument_->clear();
    cbStartupInstruments_->addItem(Q(std::string(kDefaultAutoName)));
    if (SameText(list.StartUnit(), kDefaultAutoName)) cbStartupInstruments_->setCurrentIndex(0);
    btnDelete_->setEnabled(false);
    for (int i = 0; i < list.Count(); ++i) {
        const QString shown = Q(list.InstrumentDisplayName(i));
        lbCurrentInstrument_->addItem(shown);
        cbStartupInstruments_->addItem(shown);
        cbListOfConfiguration_->addItem(shown);
        if (SameText(list.Name(i), current)) {
            lbCurrentInstrument_->setCurrentRow(i);
            lblCurrentUnit_->setText(shown);
            cbListOfConfiguration_->setCurrentIndex(i);
            btnDelete_->setEnabled(!IsDefaultOrAbsentName(current));
        }
        if (SameText(list.Name(i), list.StartUnit())) cbStartupInstruments_->setCurrentIndex(i + 1);
    }
    ConfigurationChanged();
    NewLanName_ = list.NewInstrumentName();
    NewDemoName_ = list.NewDemoName();
    btnAdd_->setEnabled(!NewLanName_.empty() || !NewDemoName_.empty());
}

void TfrmSelectInstrument::ConfigurationChanged() {
    const TInstrumentList& list = Instruments_.List();
    const int index = list.IndexOf(InstrumentNameOfDisplayText(cbListOfConfiguration_->currentText().toStdString()));
    if (index < 0) return;
    const TInstrumentProp& prop = list.Prop(index);
    const std::string& name = list.Name(index);
    lblInterface_->setText(Q(std::string(InterfaceName(prop.Kind))));
    lblAlias_->setText(Q(prop.Label.empty() ? "[" + name + "]" : prop.Label));
    const bool lan = prop.Kind == TInstrumentLinkKind::Tcp;
    lblIP_->setText(Q(lan ? (prop.IpAddress.Valid ? IpAddressToText(prop.IpAddress) : prop.IpAddressText)
                          : Lang("Not_Used", "Not Used")));
    lblIP_->setEnabled(lan);
    lblIPCaption_->setEnabled(lan);
    btnDelete_->setEnabled(!IsDefaultOrAbsentName(name));
}

void TfrmSelectInstrument::StartupChanged() {
    Instruments_.List().SetStartUnit(InstrumentNameOfDisplayText(cbStartupInstruments_->currentText().toStdString()));
    btnOK_->setEnabled(true);
}

void TfrmSelectInstrument::SelectConfiguration(const std::string& name) {
    const int index = Instruments_.List().IndexOf(name);
    if (index >= 0) cbListOfConfiguration_->setCurrentIndex(index);
    ConfigurationChanged();
}

void TfrmSelectInstrument::DeleteClick() {
    TInstrumentList& list = Instruments_.List();
    const std::string name = InstrumentNameOfDisplayText(cbListOfConfiguration_->currentText().toStdString());
    if (list.IndexOf(name) < 0) return;
    if (SameText(name, Instruments_.CurrentName()) || SameText(name, list.StartUnit())) {
        Context_.Dialogs->ShowMessage(
            this, Q(Lang("YouCanNotDeleteCurrent_", "You can not delete the Current or the Startup Instrument")));
        return;
    }
    list.Delete(name);
    FillLists();
    btnOK_->setEnabled(true);
}

void TfrmSelectInstrument::AddEditClick(bool adding) {
    TInstrumentList& list = Instruments_.List();
    TfrmEditInstrument edit(list, *Context_.Dialogs, this);
    edit.Adding = adding;
    if (adding) {
        edit.NewLanName = NewLanName_;
        edit.NewDemoName = NewDemoName_;
    } else {
        const int index = list.IndexOf(InstrumentNameOfDisplayText(cbListOfConfiguration_->currentText().toStdString()));
        if (index < 0) return;
        edit.InstrumentName = list.Name(index);
        edit.Prop = list.Prop(index);
    }
    if (RunModal(Context_.Runner, edit) != QDialog::Accepted) return;
    if (adding) {
        if (edit.InstrumentName.empty() || list.IndexOf(edit.InstrumentName) >= 0) return;
        list.Add(edit.InstrumentName, edit.Prop);
    } else {
        list.Prop(list.IndexOf(edit.InstrumentName)) = edit.Prop;
    }
    FillLists();
    SelectConfiguration(edit.InstrumentName);
    btnOK_->setEnabled(true);
}

void TfrmSelectInstrument::ChangeCurrentClick() {
    btnChangeCurrentInstrument_->setEnabled(false);
    gbConfiguration_->hide();
    if (gbCurrent_->height() < ChoosingGroupHeight) StoredGroupHeight_ = gbCurrent_->height();
    gbCurrent_->setFixedHeight(ChoosingGroupHeight);
    lbCurrentInstrument_->show();
    btnCancel2_->show();
    layout()->activate();
}

void TfrmSelectInstrument::CurrentChosen(int row) {
    const TInstrumentList& list = Instruments_.List();
    if (row < 0 || row >= list.Count()) return;
    const std::string& name = list.Name(row);
    if (!SameText(name, Instruments_.CurrentName())) {
        ChosenName_ = name;
        accept();
        return;
    }
    CloseCurrentChoice();
}

void TfrmSelectInstrument::CloseCurrentChoice() {
    if (StoredGroupHeight_ > 0) gbCurrent_->setFixedHeight(StoredGroupHeight_);
    gbConfiguration_->show();
    lbCurrentInstrument_->hide();
    btnCancel2_->hide();
    btnChangeCurrentInstrument_->setEnabled(true);
    layout()->activate();
}

void TfrmSelectInstrument::OkClick() {
    const std::string text =
        Lang("TheConfigOfTheSystemWillBeChanged_", "The configuration of the System will be changed.\nAre you sure?");
    if (Context_.Dialogs->AskYesNo(this, Q(text))) accept();
}

void TfrmSelectInstrument::CreateShortcutClick() {
    CreateInstrumentShortcut(cbStartupInstruments_->currentText().toStdString(), Context_, this);
}

void CreateInstrumentShortcut(const std::string& displayText, TSelectInstrumentsContext& context, QWidget* owner) {
    auto lang = [&](std::string_view key, std::string_view builtIn) {
        return Q(context.Lang ? context.Lang(key, builtIn) : std::string(builtIn));
    };
    std::filesystem::path written;
    const TInstrumentShortcut shortcut = MakeInstrumentShortcut(displayText, context.Program, context.DataRoot);
    if (!WriteInstrumentShortcut(context.DesktopFolder, shortcut, written)) {
        context.Dialogs->ShowError(owner, lang("ErrorCreatingShortcut", "Error creating Shortcut"));
        return;
    }
    if (context.Dialogs->ShowInformation(owner, lang("Information_", "Information"),
                                         lang("ShortcutWasCreatedSuccessfully", "Shortcut was created successfully"),
                                         lang("Show_", "Show..")) &&
        context.ShowFolder)
        context.ShowFolder(context.DesktopFolder);
}

bool SelectInstrumentsDialog(TInstruments& instruments, TSelectInstrumentsContext& context, QWidget* owner) {
    TfrmSelectInstrument form(instruments, context, owner);
    if (RunModal(context.Runner, form) == QDialog::Accepted) {
        try {
            instruments.List().SaveInstrumentList();
        } catch (const std::exception& e) {
            context.Dialogs->ShowError(owner, QString::fromStdString(e.what()));
        }
        if (!SameText(form.ChosenName(), instruments.CurrentName())) {
            std::string name = form.ChosenName();
            return instruments.StartInstrument(false, name);
        }
    } else if (form.Changed()) {
        instruments.List().LoadInstrumentList(context.Args);
    }
    return true;
}

}  // namespace vt
