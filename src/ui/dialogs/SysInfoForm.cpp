#include "ui/dialogs/SysInfoForm.h"

#include <QCloseEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "core/DotNumberText.h"
#include "core/IniFiles.h"
#include "core/Shell.h"
#include "link/CommandSenders.h"
#include "link/InstrumentInfo.h"
#include "link/InstrumentLink.h"
#include "program/ProgramLife.h"
#include "ui/UserDialogs.h"
#include "ui/dialogs/DialogTexts.h"

namespace vt {

namespace {

constexpr const char* Rows[][2] = {{"lblModel", "Model:"},          {"lblOptions", "Options:"},
                                   {"lblYear", "Year:"},            {"lblSerial", "Serial Number:"},
                                   {"lblFPGA", "FPGA FW Version:"}, {"lblFW", "FW Version:"},
                                   {"lblSW", "SW Version:"},        {"lblTemperature", "Temperature:"}};

QPushButton* AddButton(QWidget* parent, const char* name, const QString& text, int left) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QLatin1String(name));
    b->setGeometry(left, 244, 110, 26);
    return b;
}

const char* GetEnv(const char* name) { return std::getenv(name); }

}  // namespace

std::string OwnVersionText() {
    TSHW_Ver own{.Text = TProgramLife::VersionText};
    ParseVersionString(own);
    return VersionText(own);
}

TSysInfoFrm::TSysInfoFrm(TShell& shell, TUserDialogs& dialogs, const TInfoHooks& hooks, QWidget* owner)
    : QDialog(owner), Shell_(shell), Dialogs_(dialogs), Hooks_(hooks) {
    setObjectName(QStringLiteral("SysInfoFrm"));
    setFont(QFont(QStringLiteral("Liberation Sans"), 8));
    setWindowTitle(QStringLiteral("Instrument Info"));
    setFixedSize(380, 280);
    int top = 14;
    for (const auto& row : Rows) {
        auto* caption = new QLabel(QString::fromLatin1(row[1]), this);
        caption->setGeometry(14, top, 110, 18);
        auto* value = new QLabel(this);
        value->setObjectName(QLatin1String(row[0]));
        value->setGeometry(128, top, 240, 18);
        top += 26;
    }
    btnChangeModel_ = AddButton(this, "btnChangeModel", QStringLiteral("Change Model"), 14);
    btnSaveInfo_ = AddButton(this, "btnSaveInfo", QStringLiteral("Save Info File"), 134);
    btnOK_ = AddButton(this, "btnOK", QStringLiteral("OK"), 256);
    btnOK_->setDefault(true);
    const TInstrumentLink* link = shell.Link();
    btnChangeModel_->setVisible(!(link && link->IsInstrumentConnected()));
    connect(btnChangeModel_, &QPushButton::clicked, this, [this] {
        if (Hooks_.ChangeModel) Hooks_.ChangeModel(this);
        Refresh();
    });
    connect(btnSaveInfo_, &QPushButton::clicked, this, [this] { SaveInfoFileClick(); });
    connect(btnOK_, &QPushButton::clicked, this, &QDialog::accept);
    Timer1_.setInterval(TimerMs);
    connect(&Timer1_, &QTimer::timeout, this, [this] { TimerTick(); });
}

QLabel& TSysInfoFrm::Value(const char* name) const { return *findChild<QLabel*>(QLatin1String(name)); }

void TSysInfoFrm::showEvent(QShowEvent* event) {
    Refresh();
    Timer1_.start();
    QDialog::showEvent(event);
}

void TSysInfoFrm::Refresh() {
    TimerTick();
    const TInstrumentIdentityUnit* unit = Shell_.Identity();
    const TInstrumentIdentity id = unit ? unit->Identity : TInstrumentIdentity{};
    auto set = [this](const char* name, const std::string& text) { Value(name).setText(QString::fromStdString(text)); };
    set("lblModel", GetModelName(id.ModelType, id.SerialNo, false));
    set("lblOptions", id.GetOptionsText(false, [this](std::string_view key) { return Shell_.LangStr(key); }));
    set("lblYear", std::to_string(std::max<int>(id.Year, 2007)));
    set("lblSerial", FormatDot("%.4d", id.SerialNo == 0 ? 1 : static_cast<int>(id.SerialNo)));
    set("lblFPGA", VersionText(id.FPGAVersion));
    set("lblFW", VersionText(id.SWVersion));
    set("lblSW", OwnVersionText());
}

void TSysInfoFrm::TimerTick() {
    TInstrumentLink* link = Shell_.Link();
    TInstrumentSenders* senders = Shell_.Senders();
    // A running acquisition is never broken for the reading: it waits until none is outstanding.
    if (!link || !senders || link->Busy() || link->AcquisitionRunning()) return;
    Temperature_ = senders->ReadInstrumentTemperature(true);
    Value("lblTemperature").setText(QString::fromStdString(FormatDot("%4.2f", Temperature_)) + QChar(0x00B0) + "C");
}

void TSysInfoFrm::closeEvent(QCloseEvent* event) {
    if (btnOK_->isEnabled()) QDialog::closeEvent(event);
    else event->ignore();
}

void TSysInfoFrm::reject() {
    if (btnOK_->isEnabled()) QDialog::reject();
}

TInfoFileSources TSysInfoFrm::Sources() const {
    TInfoFileSources s;
    const TInstrumentIdentityUnit* unit = Shell_.Identity();
    s.Identity = unit ? &unit->Identity : nullptr;
    s.Link = Shell_.Link();
    s.ModelName = Value("lblModel").text().toStdString();
    s.OptionNames = Value("lblOptions").text().toStdString();
    s.OwnVersion = OwnVersionText();
    s.Temperature = Temperature_;
    s.ReadValues = Hooks_.ReadValues;
    return s;
}

void TSysInfoFrm::SaveInfoFileClick() {
    const std::filesystem::path ini = InfoFileDirIni(GetEnv);
    TMemIniFile_Dot dirs(ini);
    const std::string folder = dirs.ReadString("Global", "InfoFileDir", TempFolderPath(GetEnv).string());
    if (Hooks_.ValuesUnstored && Hooks_.ValuesUnstored() &&
        !Dialogs_.AskOkCancel(this, DialogText(Shell_, "lostWhenSaveInfoFile",
                                               "Last Calibration Coefficients are not stored.\n"
                                               "They will be lost when Save Info File.")))
        return;
    TSaveDialogRequest request{.Title = DialogText(Shell_, "SaveInfoFileAs", "Save Info File As").toStdString(),
                               .Filter = "Text file (*.txt)|*.txt;",
                               .FilterIndex = 0,
                               .Name = "Veltrane_Info",
                               .Folder = folder};
    if (!Dialogs_.ExecSaveDialog(this, request)) return;
    const std::filesystem::path file = request.Name + ".txt";
    btnOK_->setEnabled(false);
    try {
        WriteInfoFile(file, Sources());
        dirs.WriteString("Global", "InfoFileDir", file.parent_path().string());
        dirs.UpdateFile();
    } catch (const std::exception&) {
        Dialogs_.ShowError(this, QStringLiteral("Error Creating File ") + QString::fromStdString(file.string()));
    }
    btnOK_->setEnabled(true);
}

// ------------------------------------------------------------------------------------------ models

TSelectModelofInstruments::TSelectModelofInstruments(TShell& shell, int currentType, int nextType, QWidget* owner)
    : QDialog(owner), Current_(currentType), Next_(nextType), Chosen_(currentType) {
    setObjectName(QStringLiteral("SelectModelofInstruments"));
    setFont(QFont(QStringLiteral("Liberation Sans"), 8));
    setWindowTitle(QStringLiteral("Select Model of Instruments"));
    setFixedSize(360, 250);
    List_ = new QListWidget(this);
    List_->setObjectName(QStringLiteral("lbModels"));
    List_->setGeometry(12, 12, 336, 120);
    for (int type = 4; type <= 8; ++type) {
        QString text = QString::fromStdString(GetModelName(type, 0, false));
        if (type == currentType) text += DialogText(shell, "_Current", " (Current)");
        if (type == nextType) text += DialogText(shell, "_Next Run", " (Next Run)");
        List_->addItem(text);
        if (type == currentType) List_->setCurrentRow(type - 4);
    }
    lblRestart_ = new QLabel(
        QStringLiteral("In order to this changes take effects You must close SW and then start it again!"), this);
    lblRestart_->setObjectName(QStringLiteral("lblRestart"));
    lblRestart_->setWordWrap(true);
    lblRestart_->setGeometry(12, 140, 336, 40);
    lblRestart_->hide();
    btnOK_ = new QPushButton(QStringLiteral("OK"), this);
    btnOK_->setObjectName(QStringLiteral("btnOK"));
    btnOK_->setGeometry(12, 212, 100, 26);
    btnRestart_ = new QPushButton(QStringLiteral("Restart Now"), this);
    btnRestart_->setObjectName(QStringLiteral("btnRestart"));
    btnRestart_->setGeometry(130, 212, 100, 26);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("btnCancel"));
    cancel->setGeometry(248, 212, 100, 26);
    btnOK_->setEnabled(false);
    btnRestart_->setEnabled(false);
    connect(List_, &QListWidget::currentRowChanged, this, [this](int row) { Choose(row + 4); });
    connect(btnOK_, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnRestart_, &QPushButton::clicked, this, [this] {
        Restart_ = true;
        accept();
    });
    connect(cancel, &QPushButton::clicked, this, [this] {
        Chosen_ = Current_;
        reject();
    });
}

void TSelectModelofInstruments::Choose(int type) {
    Chosen_ = type;
    const bool change = type != Current_ && type != Next_;
    lblRestart_->setVisible(change);
    btnOK_->setEnabled(change);
    btnRestart_->setEnabled(change);
    if (List_->currentRow() != type - 4) List_->setCurrentRow(type - 4);
}

}  // namespace vt
