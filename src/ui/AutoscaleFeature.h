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

    void WindowCreated(TMorda_fr& window, TSideMenus& menus, TKitContext& kit) override;
    void WindowGone() override;

    void RunModal(TAutoScale& run) override;
    void EndRun(int result) override;
    void ProgressChanged(int position) override;
    void RunAside(TAutoScale& run) override;
    void AsideEnded() override;

    TAutoScalFrm* Form() const { return Form_; }

private:
    TAutoScale& Run_;
    QPointer<QWidget> Window_;
    QPointer<TAutoScalFrm> Form_;
    // The progress box of a script's run: modeless, shown only where someone sees it.
    QPointer<TAutoScalFrm> Aside_;
};

}  // namespace vt
