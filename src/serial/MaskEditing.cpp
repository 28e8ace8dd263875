// The mask feature's side of editing: the edit layer reached through the display panel, and the
// mask menu's commands.
#include "acq/SignalSources.h"
#include "core/Handlers.h"
#include "core/Shell.h"
#include "display/DisplayPanel.h"
#include "display/MaskEditLayer.h"
#include "display/ScopeDisplayServices.h"
#include "serial/MaskEditSurface.h"
#include "serial/MaskTest.h"

namespace vt {

namespace {
TScopeCRT* PanelOf(TShell& shell) {
    auto* display = dynamic_cast<TScopeDisplayServices*>(&shell.Display());
    return display ? display->Panel() : nullptr;
}
}  // namespace

// ------------------------------------------------------------------------------------ the layer

TMaskEditLayer* TMaskEditSurface::Layer() const {
    TScopeCRT* panel = PanelOf(Shell_);
    if (!panel || !panel->HasMaskEditLayer()) return nullptr;
    return dynamic_cast<TMaskEditLayer*>(panel->MaskEditLayer(ssCh1));
}

bool TMaskEditSurface::HasEditLayer() const {
    TScopeCRT* panel = PanelOf(Shell_);
    return panel && panel->HasMaskEditLayer();
}

void TMaskEditSurface::FreeEditLayer() {
    if (TScopeCRT* panel = PanelOf(Shell_)) panel->FreeMaskEditLayer();
}

void TMaskEditSurface::ShowPolygon(int n, int count, int vertex, bool select, const double* xs, const double* ys) {
    TScopeCRT* panel = PanelOf(Shell_);
    if (!panel) return;
    // A class put in before (a stand-in) is kept.
    if (!panel->OverlayClasses().Factory(TOverlayClass::MaskEdit)) RegisterMaskEditLayerClass(panel->OverlayClasses());
    if (auto* layer = dynamic_cast<TMaskEditLayer*>(panel->MaskEditLayer(ssCh1)))
        layer->SetPolygon(n, count, vertex, select, xs, ys);
}

// ------------------------------------------------------------------------------------ the menu

void TMaskTest::EnterEditing() {
    // A step of its own: an undo brings the mask back as it was before the editing.
    if (State_) State_->SaveStateForUndo(false);
    CurrentMaskEdited();
    SetEditing(true);
    View_->RefreshMaskMenu();
}

void TMaskTest::EditAddPoint() {
    Mask_.AddPoint();
    View_->RefreshMaskMenu();
}

void TMaskTest::EditDeletePoint() {
    Mask_.DeletePoint();
    TopTextShowMask();
    View_->RefreshMaskMenu();
}

void TMaskTest::EditAddPolygon() {
    Mask_.AddPolygon();
    View_->RefreshMaskMenu();
}

void TMaskTest::EditDeletePolygon() {
    Mask_.DeleteSelectedPolygon();
    TopTextShowMask();
    View_->RefreshMaskMenu();
}

void TMaskTest::DeleteMask() {
    CurrentMaskEdited();
    ClearCurrentMask();
    Shell_.Display().TopTextUpdateAll();
    View_->RefreshMaskMenu();
}

}  // namespace vt
