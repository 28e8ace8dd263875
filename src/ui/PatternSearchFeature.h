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

    void WindowCreated(TMorda_fr& window, TSideMenus& menus, TKitContext& kit) override;
    void WindowGone() override { Window_ = nullptr; }

    void RunModal(TPatternSearch& search) override;
    void EndRun(bool success) override;
    void ProgressChanged(int position) override;

private:
    QPointer<QWidget> Window_;
    QPointer<TfrmFindPatternTrig> Form_;
};

}  // namespace vt
