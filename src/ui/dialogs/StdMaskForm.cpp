#include "ui/dialogs/StdMaskForm.h"

#include <QFont>
#include <algorithm>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPushButton>
#include <QTabBar>
#include <QTreeWidget>

#include "core/CommandTree.h"
#include "core/EditHandlers.h"
#include "core/Shell.h"
#include "serial/MaskTest.h"
#include "ui/controls/ButtonSwitchers.h"
#include "ui/controls/EditSwitcher.h"
#include "ui/controls/LanguageForm.h"
#include "ui/dialogs/DialogPlacing.h"
#include "ui/HelpViewer.h"

namespace vt {

namespace {

constexpr int FormWidth = 468;
constexpr int SwitchersTop = 208;
constexpr int LineTypeWidth = 100;
constexpr int BitRateWidth = 120;

template <class H>
H* Setting(TShell& shell, std::string_view path) {
    return shell.CommandTree() ? dynamic_cast<H*>(shell.CommandTree()->Resolve(path)) : nullptr;
}

}  // namespace

TStdMaskFrm::TStdMaskFrm(TShell& shell, TMaskTest& mask, TKitContext* kit, QWidget* owner)
    : QDialog(owner), Shell_(shell), Mask_(mask) {
    setObjectName(QStringLiteral("StdMaskFrm"));
    setWindowTitle(QStringLiteral("Standard Mask"));
    setFont(QFont(QStringLiteral("Liberation Sans"), 8));

    Tabs_ = Place(new QTabBar(this), "tcStandardMasks", 8, 8, FormWidth - 16, 24);
    Tabs_->setElideMode(Qt::ElideNone);
    Tabs_->setExpanding(false);
    Tabs_->setUsesScrollButtons(true);
    List_ = Place(new QTreeWidget(this), "lvMaskList", 8, 32, FormWidth - 16, 170);
    List_->setColumnCount(3);
    List_->setHeaderLabels({QStringLiteral("Mask Name"), QStringLiteral("Line Impedance"), QStringLiteral("Bit Rate")});
    List_->setRootIsDecorated(false);
    List_->setItemsExpandable(false);
    List_->setSelectionMode(QAbstractItemView::SingleSelection);
    List_->header()->setStretchLastSection(false);

    const auto switcher = [kit](auto* sw, const char* name, const char* caption, const char* setting, int left,
                                      int width) {
        Place(sw, name, left, SwitchersTop, width, 40);
        sw->resize(width, std::max(40, sw->KindHeight()));
        sw->SetKit(kit);
        sw->SetCaption(QString::fromLatin1(caption));
        sw->SetMnemonics(setting);
        return sw;
    };
    Align_ = switcher(new TRC_OnOffSwitch(this), "oswAlignment", "Alignment", "StdMask:Align", 8, 100);
    MarginsOn_ = switcher(new TRC_OnOffSwitch(this), "oswMargins", "Margins", "StdMask:MarginsOn", 116, 100);
    MarginsVal_ = switcher(new TRC_EditSwitcher(this), "edswMargins", "Margin", "StdMask:MarginsVal", 224, 110);

    // The buttons go below the tallest switch.
    const int height = std::max({Align_->height(), MarginsOn_->height(), MarginsVal_->height()}) + SwitchersTop + 41;
    setFixedSize(FormWidth, height);
    Ok_ = Place(new QPushButton(QStringLiteral("OK"), this), "btnOK", FormWidth - 264, height - 33, 80, 25);
    auto* cancel = Place(new QPushButton(QStringLiteral("Cancel"), this), "btnCancel", FormWidth - 176, height - 33, 80, 25);
    Help_ = Place(new QPushButton(QStringLiteral("Help"), this), "btnHelp", FormWidth - 88, height - 33, 80, 25);
    Ok_->setEnabled(false);

    connect(Tabs_, &QTabBar::currentChanged, this, [this](int tab) { TabChosen(tab); });
    connect(List_, &QTreeWidget::itemSelectionChanged, this, [this] { RowChosen(); });
    connect(Ok_, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, [this] {
        Shell_.Display().TopTextUpdateAll();
        reject();
    });
    connect(Help_, &QPushButton::clicked, this, [this] { SetHelpMode(true); });

    // A change made with any of the three switches counts as a choice.
    for (const char* path : {"StdMask:Align", "StdMask:MarginsOn", "StdMask:MarginsVal"})
        if (THandler* h = Setting<THandler>(Shell_, path)) h->RegisterSwitcher(*this);
    TranslateForm(*this, Shell_.Language());
}

TStdMaskFrm::~TStdMaskFrm() {
    SetHelpMode(false);
    for (THandler* h : std::vector<THandler*>(BoundHandlers())) h->UnregisterSwitcher(*this);
}

int TStdMaskFrm::CurrentStandard() const {
    return static_cast<int>(GetValue(Setting<TIntEditHandler>(Shell_, "StdMask:StdIndex")));
}

void TStdMaskFrm::HandlerValueChanged(THandler& handler) {
    if (handler.GetWhoChangedRaw() == wcvSwitcher) Ok_->setEnabled(true);
}

void TStdMaskFrm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (event->spontaneous()) return;
    FillTabs();
    const TCurrentMask& mask = Mask_.Mask();
    int standard = mask.IsStoredMask() ? mask.StdI : 0;
    if (standard < 0 || standard >= Tabs_->count()) standard = 0;
    // The standard is set anew each time, so that its masks are read and shown whatever it was.
    if (auto* index = Setting<TIntEditHandler>(Shell_, "StdMask:StdIndex")) {
        if (Tabs_->count() > 1) index->SetValue(standard == 0 ? 1 : 0);
        if (!index->SetValue(standard)) Mask_.RefreshStdMaskFamily();
    }
    StandardChanged();
    for (TRC_Switcher* sw : {static_cast<TRC_Switcher*>(Align_), static_cast<TRC_Switcher*>(MarginsOn_),
                             static_cast<TRC_Switcher*>(MarginsVal_)})
        if (!sw->GetHandler() && sw->Kit()) sw->BindToHandler(true);
    List_->setFocus();
}

void TStdMaskFrm::FillTabs() {
    Filling_ = true;
    while (Tabs_->count() > 0) Tabs_->removeTab(0);
    // Positions come in number order: the tab index is the standard's number.
    const TListOfStandards& standards = Mask_.Standards();
    for (int i = 0; i < standards.Count(); ++i)
        if (standards.GetNumber(i) >= 0) Tabs_->addTab(QString::fromStdString(standards.GetName(i)));
    Filling_ = false;
}

void TStdMaskFrm::StandardChanged() {
    if (Tabs_->count() == 0) return;
    Filling_ = true;
    Tabs_->setCurrentIndex(CurrentStandard());
    Filling_ = false;
    FillList();
}

void TStdMaskFrm::FillList() {
    Filling_ = true;
    List_->clear();
    const TListOfMasksInCurrentStandard& masks = Mask_.StandardMasks();
    bool lineTypes = false;
    for (int i = 0; i < masks.Count(); ++i) {
        const TMaskRecord& rec = *masks.At(i);
        lineTypes = lineTypes || !rec.LineType.empty();
        new QTreeWidgetItem(List_, {QString::fromStdString(rec.MaskName), QString::fromStdString(rec.LineType),
                                    QString::fromStdString(rec.BitRateText)});
    }
    // The line type's column only when some mask names one; the name takes the room that is left.
    List_->setColumnHidden(1, !lineTypes);
    List_->setColumnWidth(1, LineTypeWidth);
    List_->setColumnWidth(2, BitRateWidth);
    const int room = List_->viewport()->width() > 0 ? List_->width() - 4 : FormWidth - 20;
    List_->setColumnWidth(0, room - BitRateWidth - (lineTypes ? LineTypeWidth : 0));
    Filling_ = false;
    MarkCurrentRow();
}

void TStdMaskFrm::MaskSelectionChanged() { MarkCurrentRow(); }

void TStdMaskFrm::MarkCurrentRow() {
    Filling_ = true;
    List_->clearSelection();
    const TCurrentMask& mask = Mask_.Mask();
    const int row = mask.IsStoredMask() && Mask_.MaskObject() && mask.StdI == CurrentStandard() ? mask.MskI : -1;
    if (QTreeWidgetItem* item = row >= 0 ? List_->topLevelItem(row) : nullptr) {
        List_->setCurrentItem(item);
        item->setSelected(true);
        List_->scrollToItem(item);
    }
    Filling_ = false;
}

void TStdMaskFrm::TabChosen(int tab) {
    if (Filling_ || tab < 0) return;
    Ok_->setEnabled(true);
    if (auto* index = Setting<TIntEditHandler>(Shell_, "StdMask:StdIndex")) index->SetValueFromSwitcher(tab);
}

void TStdMaskFrm::RowChosen() {
    if (Filling_) return;
    const QList<QTreeWidgetItem*> chosen = List_->selectedItems();
    if (chosen.isEmpty()) return;
    const int row = List_->indexOfTopLevelItem(chosen.front());
    Ok_->setEnabled(true);
    if (auto* index = Setting<TIntEditHandler>(Shell_, "StdMask:MaskIndex")) index->SetValueFromSwitcher(row);
    const bool loaded = Mask_.ApplyStdMask();
    if (loaded) Changed_ = true;
    // The margin switches follow the mask now chosen.
    Mask_.UpdateStdMaskMarginControls();
    if (!loaded) MarkCurrentRow();
}

int TStdMaskFrm::HelpTopicAt(const QPoint& globalPoint) const {
    for (QWidget* w = childAt(mapFromGlobal(globalPoint)); w && w != this; w = w->parentWidget()) {
        if (w == Tabs_ || w == List_) return Mask_.StdHelpTopic();
        if (auto* sw = dynamic_cast<TRC_Switcher*>(w)) return sw->HelpContext();
    }
    return 0;
}

void TStdMaskFrm::SetHelpMode(bool on) {
    if (on == HelpMode_) return;
    HelpMode_ = on;
    SetContextHelpCapture(*this, on);
}

void TStdMaskFrm::mousePressEvent(QMouseEvent* event) {
    if (!HelpMode_) {
        QDialog::mousePressEvent(event);
        return;
    }
    const int topic = event->button() == Qt::LeftButton ? HelpTopicAt(event->globalPosition().toPoint()) : 0;
    SetHelpMode(false);
    if (topic > 0 && ShowHelp) ShowHelp(topic);
    event->accept();
}

void TStdMaskFrm::keyPressEvent(QKeyEvent* event) {
    if (HelpMode_) {
        SetHelpMode(false);
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

}  // namespace vt
