#pragma once
// The pattern-length search's face: its progress dialog beside the window's corner.
#include <QPointer>

#include "acq/PatternSearch.h"
#include "ui/UiFeature.h"
#include "ui/dialogs/FindPatternTrigForm.h"

namespace vt {

class TPatternSearchFeature : public TUiFeature, public TPatternSearchView {
public:
    explicit TPatternSearchFeature(TPatternSearch& search) { search.View = this; }
    ~TPatternSearchFeature() override { delete Aside_; }

    void WindowCreated(TMorda_fr& window, TSideMenus& menus, TKitContext& kit) override;
    void WindowGone() override { Window_ = nullptr; }

    void RunModal(TPatternSearch& search) override;
    void EndRun(bool success) override;
    void ProgressChanged(int position) override;
    void RunAside(TPatternSearch& search) override;
    void AsideEnded() override;

private:
    QPointer<QWidget> Window_;
    QPointer<TfrmFindPatternTrig> Form_;
    // The progress box of a search that nobody waits on: modeless, shown only where someone sees it.
    QPointer<TfrmFindPatternTrig> Aside_;
};

}  // namespace vt
