#include "ui/dialogs/PatternLengthListForm.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <cmath>

#include "core/Numeric.h"
#include "core/SettingReaders.h"
#include "core/Shell.h"
#include "core/TextFiles.h"

namespace vt {

TfrmPatternLengthList::TfrmPatternLengthList(TShell& shell, const std::vector<int>& values, std::function<void()> reload,
                                             QWidget* parent)
    : QDialog(parent), Shell_(shell), Items_(values), Reload_(std::move(reload)) {
    setObjectName("frmPatternLengthList");
    setWindowTitle("Pattern Length List");
    setFixedSize(232, 226);
    // The field over its list, as one combo box that shows its list.
    Field_ = new QLineEdit(this);
    Field_->setObjectName("cbPatternLength");
    Field_->setGeometry(8, 8, 120, 21);
    List_ = new QListWidget(this);
    List_->setObjectName("lbPatternLengths");
    List_->setGeometry(8, 30, 120, 188);
    auto button = [this](const char* name, const char* caption, int top) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(name);
        b->setGeometry(136, top, 88, 25);
        return b;
    };
    Add_ = button("btnAdd", "Add", 8);
    AddTypical_ = button("btnAddTypical", "Add Typical", 37);
    Delete_ = button("btnDelete", "Delete", 66);
    DeleteAll_ = button("btnDeleteAll", "Delete All", 95);
    auto* ok = button("btnOK", "OK", 164);
    auto* cancel = button("btnCancel", "Cancel", 193);
    ok->setDefault(true);

    const double length = ReadRealSetting(shell.CommandTree(), "Trig:PattLen", 127);
    Field_->setText(QString::number(static_cast<long long>(RoundHalfEven(length))));
    Fill(-1);

    connect(Field_, &QLineEdit::textEdited, this, [this] { Typed(); });
    connect(List_, &QListWidget::currentRowChanged, this, [this] { Selected(); });
    connect(Add_, &QPushButton::clicked, this, [this] { AddTyped(); });
    connect(AddTypical_, &QPushButton::clicked, this, [this] { AddTypical(); });
    connect(Delete_, &QPushButton::clicked, this, [this] { DeleteSelected(); });
    connect(DeleteAll_, &QPushButton::clicked, this, [this] { DeleteAll(); });
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TfrmPatternLengthList::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    Items_.ClearChanged();
    Delete_->setEnabled(false);
    Add_->setEnabled(Items_.CanAdd(Field_->text().toStdString()));
}

void TfrmPatternLengthList::Fill(int select) {
    const QSignalBlocker quiet(List_);
    List_->clear();
    for (const std::string& item : Items_.Items()) List_->addItem(QString::fromStdString(item));
    List_->setCurrentRow(select);
    ShowEmptyWhenEmpty();
}

void TfrmPatternLengthList::ShowEmptyWhenEmpty() {
    if (!Items_.Items().empty()) return;
    Field_->setText(QString::fromStdString(Shell_.LangStr("Empty")));
    Delete_->setEnabled(false);
}

void TfrmPatternLengthList::Typed() {
    Add_->setEnabled(Items_.CanAdd(Field_->text().toStdString()));
    Delete_->setEnabled(List_->currentRow() >= 0 && !Add_->isEnabled());
}

void TfrmPatternLengthList::Selected() {
    if (List_->currentRow() < 0) return;
    Field_->setText(List_->currentItem()->text());
    Add_->setEnabled(false);
    Delete_->setEnabled(true);
}

void TfrmPatternLengthList::AddTyped() {
    const std::string typed = Field_->text().toStdString();
    const std::string refused = Items_.Add(typed);
    if (!refused.empty()) {
        Shell_.User().ShowErrorDlg(Shell_.LangStr(refused));
        return;
    }
    Add_->setEnabled(false);
    const int length = LeadingNumber(typed);
    int row = 0;
    for (const std::string& item : Items_.Items()) {
        if (LeadingNumber(item) == length) break;
        ++row;
    }
    Fill(row);
}

void TfrmPatternLengthList::AddTypical() {
    Items_.AddTypical();
    Fill(List_->currentRow());
}

void TfrmPatternLengthList::DeleteSelected() {
    Fill(Items_.Delete(List_->currentRow()));
    Selected();
}

void TfrmPatternLengthList::DeleteAll() {
    Items_.DeleteAll();
    Fill(-1);
    Add_->setEnabled(false);
    Delete_->setEnabled(false);
}

void TfrmPatternLengthList::accept() {
    const int length = LeadingNumber(Field_->text().toStdString());
    if (length >= 4 && length <= 65535) Shell_.ExecuteCommandString("Trig:PattLen " + std::to_string(length));
    if (Items_.Changed()) {
        try {
            WritePatternLengthList(Shell_.Folders.InstallFolder + PatternLengthListFile, Items_.Values());
        } catch (const EFileError&) {
            Shell_.User().ShowErrorDlg(Shell_.LangStr("WriteFileError"));
        }
        if (Reload_) Reload_();
    }
    QDialog::accept();
}

}  // namespace vt
