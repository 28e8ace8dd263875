#pragma once
// The numeric entry pad: a keypad that types a value into the numeric setting of an edit switcher,
// with Min/Mid/Max and the resolution of the setting; Cancel undoes what the pad changed.
#include <QDialog>
#include <functional>

#include "ui/dialogs/DialogRunner.h"

class QPushButton;

namespace vt {

class TEditHandler;
class TKitContext;
class TRC_CheckSwitcher;
class TRC_EditSwitcher;
class TRC_RadioSwitcher;
class TShell;

class TNewCalcFrm : public QDialog {
public:
    // The pad's keys: caption and the code handed to the edit switcher.
    struct TKey {
        const char* Caption;
        int Code;
    };
    static const std::vector<TKey>& Keys();

    TNewCalcFrm(TShell& shell, TKitContext& kit, QWidget* owner);
    ~TNewCalcFrm() override;

    TDialogRunner Runner;  // exec() when empty
    // Undoes the step the pad opened (the main commands' undo, with the redo dropped).
    std::function<void()> UndoPadStep;

    // Shows the pad modally on the switcher's setting.
    void OpenCalcPad(TRC_EditSwitcher& target);
    // One key button.
    void PressKey(const QString& caption);

    // What the pad's settings do: Min (1), Mid (2), Max (4); and the fine resolution.
    void SetToChanged(std::uint32_t mask);
    void ResolutionChanged(int item);

    TRC_EditSwitcher& Edit() const { return *RC_Edit_; }
    TRC_CheckSwitcher& SetTo() const { return *rswSetTo_; }
    TRC_RadioSwitcher& Resolution() const { return *rswResolution_; }
    QPushButton& OkButton() const { return *btnOK_; }

protected:
    void done(int result) override;

private:
    TShell& Shell_;
    TRC_EditSwitcher* RC_Edit_;
    TRC_CheckSwitcher* rswSetTo_;
    TRC_RadioSwitcher* rswResolution_;
    QPushButton* btnOK_;
    TEditHandler* Target_ = nullptr;
    bool OkPressed_ = false;
    bool Bound_ = false;
    std::uint32_t StampAtOpen_ = 0;
};

// Registers the pad's two settings ("Shadow:SetTo", "Shadow:Resolution"); pad answers the open pad.
void CreateCalcPadHandlers(TShell& shell, const std::function<TNewCalcFrm*()>& pad);

}  // namespace vt
