#include "ui/dialogs/StdMaskStoreForm.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <filesystem>

#include "core/DotNumberText.h"
#include "core/Shell.h"
#include "core/UserServices.h"
#include "serial/CurrentMask.h"
#include "serial/MaskStandards.h"
#include "ui/controls/LanguageForm.h"

namespace vt {

namespace {

// Characters no file name may hold.
std::string SanitisedFileName(const QString& text) {
    std::string name = text.toStdString();
    for (char& c : name)
        if (std::string_view("\"*./:<>?\\|").find(c) != std::string_view::npos) c = '_';
    return name;
}

}  // namespace

TfrmStdMaskStoreDlg::TfrmStdMaskStoreDlg(TShell& shell, const TCurrentMask& mask, const TListOfStandards& standards,
                                         std::function<void()> refresh, QWidget* parent)
    : QDialog(parent), Shell_(shell), Mask_(mask), Standards_(standards), Refresh_(std::move(refresh)) {
    setObjectName("frmStdMaskStoreDlg");
    setWindowTitle("Save Mask As Standard Eye Mask");
    setFixedSize(330, 206);
    // Named, so that the language file holds their texts.
    auto label = [this](const char* name, const char* text, int top) {
        auto* l = new QLabel(text, this);
        l->setObjectName(name);
        l->setGeometry(8, top + 3, 96, 16);
    };
    auto edit = [this](const char* name, int top, int width) {
        auto* e = new QLineEdit(this);
        e->setObjectName(name);
        e->setGeometry(108, top, width, 21);
        return e;
    };
    label("lbMaskName", "Mask Name:", 8);
    MaskName_ = edit("edMaskName", 8, 214);
    label("lbFileName", "File Name:", 36);
    FileName_ = edit("edFileMaskName", 36, 214);
    FileName_->setText("Noname");
    label("lbBitRate", "Bit Rate:", 64);
    BitRate_ = edit("edBitRate", 64, 120);
    BitRate_->setText("1024.000");
    Unit_ = new QComboBox(this);
    Unit_->setObjectName("cbBitRateDimension");
    Unit_->setGeometry(234, 64, 88, 21);
    Unit_->addItems({"Kbps", "Mbps", "Gbps", "Tbps"});
    Unit_->setCurrentIndex(1);
    label("lbSelectStandard", "Select Standard:", 92);
    Standard_ = new QComboBox(this);
    Standard_->setObjectName("cbStandardName");
    Standard_->setGeometry(108, 92, 214, 21);
    for (int i = 0; i < standards.Count(); ++i) Standard_->addItem(QString::fromStdString(standards.GetName(i)));
    const int current = mask.IsStoredMask() ? standards.IndexOfNumber(mask.StdI) : NoStandardIndex;
    Standard_->setCurrentIndex(current != NoStandardIndex ? current : 0);
    Margins_ = new QCheckBox("Margins Enable", this);
    Margins_->setObjectName("cbMarginsEnablity");
    Margins_->setGeometry(108, 122, 214, 20);
    Ok_ = new QPushButton("OK", this);
    Ok_->setObjectName("btnOK");
    Ok_->setGeometry(154, 172, 80, 25);
    Ok_->setDefault(true);
    auto* cancel = new QPushButton("Cancel", this);
    cancel->setObjectName("btnCancel");
    cancel->setGeometry(242, 172, 80, 25);

    connect(MaskName_, &QLineEdit::textEdited, this, [this] { MaskNameTyped(); });
    connect(FileName_, &QLineEdit::textEdited, this, [this] { FileNameTyped(); });
    connect(BitRate_, &QLineEdit::textEdited, this, [this] { BitRateTyped(); });
    connect(Ok_, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    UpdateOk();
    TranslateForm(*this, Shell_.Language());
}

void TfrmStdMaskStoreDlg::MaskNameTyped() {
    if (!FileNameEdited_) FileName_->setText(QString::fromStdString(SanitisedFileName(MaskName_->text())));
    UpdateOk();
}

void TfrmStdMaskStoreDlg::FileNameTyped() {
    FileNameEdited_ = true;
    const int cursor = FileName_->cursorPosition();
    FileName_->setText(QString::fromStdString(SanitisedFileName(FileName_->text())));
    FileName_->setCursorPosition(cursor);
    UpdateOk();
}

void TfrmStdMaskStoreDlg::BitRateTyped() {
    // Digits and one ".": the text stops at the first other character or at a second ".".
    const QString text = BitRate_->text();
    int end = 0;
    bool point = false;
    for (; end < text.size(); ++end) {
        const QChar c = text[end];
        if (c == '.' && !point) point = true;
        else if (!c.isDigit()) break;
    }
    if (end < text.size()) BitRate_->setText(text.left(end));
    UpdateOk();
}

std::string TfrmStdMaskStoreDlg::RateNumber() const {
    std::string rate = BitRate_->text().toStdString();
    if (!rate.empty() && rate.front() == '.') rate.insert(rate.begin(), '0');
    if (!rate.empty() && rate.back() == '.') rate.pop_back();
    return rate;
}

void TfrmStdMaskStoreDlg::UpdateOk() {
    double rate = 0;
    Ok_->setEnabled(!MaskName_->text().isEmpty() && !FileName_->text().isEmpty() &&
                    TryStrToFloatDot(RateNumber(), rate));
}

std::string TfrmStdMaskStoreDlg::TargetFile() const {
    const std::string folder = Standards_.GetFolder(Standard_->currentIndex());
    return (std::filesystem::path(Shell_.Folders.StdMaskFolder) / folder / (FileName_->text().toStdString() + ".msk"))
        .string();
}

void TfrmStdMaskStoreDlg::accept() {
    if (!Ok_->isEnabled()) return;
    const std::string name = MaskName_->text().toStdString();
    const std::string rate = RateNumber() + " " + Unit_->currentText().toStdString();
    const std::string standard = Standard_->currentText().toStdString();
    std::string question;
    try {
        question = FormatDot(Shell_.LangStr("msgSaveAsStd"), name, rate, standard);
    } catch (const EConvertError&) {  // a language file's pattern that does not fit
        question = Shell_.LangStr("msgSaveAsStd") + " " + name + " (" + rate + ") " + standard;
    }
    if (!Shell_.User().ConfirmOkCancel(question)) return;
    const std::string file = TargetFile();
    const bool stored = WriteStandardMaskFile(file, Mask_, name, rate, Margins_->isChecked());
    if (!stored) Shell_.User().ShowErrorDlg(Shell_.LangStr("DontCreateMaskFile") + file);
    if (Refresh_) Refresh_();
    if (stored) QDialog::accept();
}

}  // namespace vt
