#pragma once
// The display side menu: how the selected trace is drawn ("Display"), the screen format and the
// placement of the sources ("Screen"), the colours of the screen elements ("Color") and the five
// colours of the colour-grade scale ("Color Grade Scale").
#include <QFrame>
#include <QPushButton>
#include <array>

#include "ui/SideMenu.h"
#include "ui/UiFeature.h"

namespace vt {

class TShell;
class TDisplaySettings;
class TUserDialogs;
class TRC_EditSwitcher;
class TRC_RadioSwitcher;
class TRC_SignalSourceSwitcher;
class TRC_ListBoxSwitcher;

class TDisp_Form : public TSideMenuForm {
public:
    static constexpr int PersistTimeHelpContext = 306;
    static constexpr int RefreshTimeHelpContext = 310;
    static constexpr int GradeSampleCount = 5;

    TDisp_Form(TSideMenus& menus, QWidget* mainWindow, TShell& shell, TDisplaySettings& settings, TUserDialogs& dialogs);
    ~TDisp_Form() override;

    void UpdateMenu() override;
    // Pages 1 to 4; any other number opens page 1.
    void SetTopPanel(int page) override;

    TRC_RightMenuPanel* Page(int page) const;
    TRC_RadioSwitcher* StyleSwitcher() const { return Style_; }
    TRC_EditSwitcher* TimeSwitcher() const { return Time_; }
    TRC_SignalSourceSwitcher* TraceSwitcher() const { return Trace_; }
    TRC_RadioSwitcher* PlaceSwitcher() const { return Place_; }
    QFrame* GradeSample(int k) const { return Samples_.at(static_cast<std::size_t>(k)); }
    QPushButton* GradeButton(int k) const { return SetGrade_.at(static_cast<std::size_t>(k)); }
    QPushButton* SetColorButton() const { return SetColor_; }

private:
    // The bindings that follow the selected trace, the database, the style and the format; the grade
    // samples take the current grade colours.
    void FollowSettings();
    void PaintGradeSamples();
    // The colour question on grade colour k (0: "50% - 100%"), applied in a new undo step.
    void AskGradeColor(int k);
    void AskElementColor();
    void ApplyColorCommand(const std::string& path, std::uint32_t value);

    TShell& Shell_;
    TDisplaySettings& Settings_;
    TUserDialogs& Dialogs_;
    int Listener_ = 0;
    bool Following_ = false;
    std::array<TRC_RightMenuPanel*, 4> Pages_{};
    TRC_RadioSwitcher* Style_ = nullptr;
    TRC_EditSwitcher* Time_ = nullptr;
    TRC_SignalSourceSwitcher* Trace_ = nullptr;
    TRC_RadioSwitcher* Place_ = nullptr;
    TRC_RadioSwitcher* Format_ = nullptr;
    TRC_SignalSourceSwitcher* Wfm_ = nullptr;
    TRC_ListBoxSwitcher* Item_ = nullptr;
    QPushButton* SetColor_ = nullptr;
    std::array<QFrame*, GradeSampleCount> Samples_{};
    std::array<QPushButton*, GradeSampleCount> SetGrade_{};
};

// The display menu as a feature of the program: its form.
class TDisplayMenuFeature : public TUiFeature {
public:
    TDisplayMenuFeature(TShell& shell, TDisplaySettings& settings, TUserDialogs& dialogs)
        : Shell_(shell), Settings_(settings), Dialogs_(dialogs) {}
    void RegisterForms(TSideMenus& menus) override;

private:
    TShell& Shell_;
    TDisplaySettings& Settings_;
    TUserDialogs& Dialogs_;
};

}  // namespace vt
