#pragma once
// The standard-mask picker: one tab per standard that holds masks, its masks in a list, the alignment
// and margin switches. Choosing a row loads that mask at once; whoever opened the picker undoes the
// change when it is not closed with OK.
#include <QDialog>
#include <functional>

#include "core/Handlers.h"

class QPushButton;
class QTabBar;
class QTreeWidget;

namespace vt {

class TShell;
class TMaskTest;
class TKitContext;
class TRC_EditSwitcher;
class TRC_OnOffSwitch;

class TStdMaskFrm : public QDialog, public IHandlerControl {
public:
    TStdMaskFrm(TShell& shell, TMaskTest& mask, TKitContext* kit, QWidget* owner = nullptr);
    ~TStdMaskFrm() override;

    QTabBar& Tabs() const { return *Tabs_; }
    QTreeWidget& MaskList() const { return *List_; }
    QPushButton& OkButton() const { return *Ok_; }
    QPushButton& HelpButton() const { return *Help_; }
    TRC_OnOffSwitch& AlignSwitch() const { return *Align_; }
    TRC_OnOffSwitch& MarginsSwitch() const { return *MarginsOn_; }
    TRC_EditSwitcher& MarginsEdit() const { return *MarginsVal_; }
    // A row chosen here loaded a mask.
    bool ChangedMask() const { return Changed_; }
    bool HelpMode() const { return HelpMode_; }
    // Shows a help topic; none: nothing is shown.
    std::function<void(int topic)> ShowHelp;

    // The mask feature's news: the chosen standard's masks were read again, or the current row changed.
    void StandardChanged();
    void MaskSelectionChanged();
    // The help topic of the control under a screen point (the standard's topic for the tabs and the list).
    int HelpTopicAt(const QPoint& globalPoint) const;
    void SetHelpMode(bool on);

    void HandlerValueChanged(THandler& handler) override;

protected:
    void showEvent(QShowEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void FillTabs();
    void FillList();
    void TabChosen(int tab);
    void RowChosen();
    // Marks the current mask's row when it belongs to the shown standard, else none.
    void MarkCurrentRow();
    int CurrentStandard() const;

    TShell& Shell_;
    TMaskTest& Mask_;
    QTabBar* Tabs_;
    QTreeWidget* List_;
    TRC_OnOffSwitch* Align_;
    TRC_OnOffSwitch* MarginsOn_;
    TRC_EditSwitcher* MarginsVal_;
    QPushButton* Ok_;
    QPushButton* Help_;
    bool Filling_ = false;
    bool Changed_ = false;
    bool HelpMode_ = false;
};

}  // namespace vt
