#pragma once
// The autoscale's face: its progress dialog, placed from the window's autoscale button.
#include <QPointer>

#include "acq/Autoscale.h"
#include "ui/UiFeature.h"
#include "ui/dialogs/AutoScaleForm.h"

class QWidget;

namespace vt {


class TAutoScaleFeature : public TUiFeature, public TAutoScaleView {
public:
    explicit TAutoScaleFeature(TAutoScale& run);
    ~TAutoScaleFeature() override;

    void AttachToProgram(TShell& shell) override { Shell_ = &shell; }
    void WindowCreated(TMorda_fr& window, TSideMenus& menus, TKitContext& kit) override;
    void WindowGone() override;

    void RunModal(TAutoScale& run) override;
    void EndRun(int result) override;
    void ProgressChanged(int position) override;
    void RunAside(TAutoScale& run) override;
    void AsideEnded() override;

    TAutoScalFrm* Form() const { return Form_; }

private:
    // Shows the form where it stands for this run, saying what runs.
    void Present(TAutoScalFrm& form, TAutoScale& run);

    TAutoScale& Run_;
    TShell* Shell_ = nullptr;
    QPointer<TMorda_fr> Window_;
    QPointer<TAutoScalFrm> Form_;
    // The progress box of a script's run: modeless, made only where someone sees it.
    QPointer<TAutoScalFrm> Aside_;
};

}  // namespace vt
