#include "display/ColorSettings.h"

#include <algorithm>
#include <string>

#include "acq/SignalSources.h"
#include "core/CommandTree.h"
#include "core/Shell.h"
#include "display/DisplayPanel.h"
#include "display/DisplaySettings.h"
#include "display/ScopeDisplayServices.h"
#include "display/ScreenColors.h"

namespace vt {

namespace {

constexpr const char* ColorItemPath = "SHADOW:ColorItem";
constexpr const char* TransparencyPath = "SHADOW:Transpar";

std::string GradePath(int n) { return "Displ:GradeClr" + std::to_string(n); }

// Asked at each change: the tree outlives the display services.
TScopeDisplayServices* ScopeDisplay(TShell& shell) { return dynamic_cast<TScopeDisplayServices*>(&shell.Display()); }

template <class T>
T* Find(TShell& shell, const std::string& path) {
    TCommandTree* tree = shell.CommandTree();
    return tree ? dynamic_cast<T*>(tree->Resolve(path)) : nullptr;
}

// The source choices show their items in the source colours.
void RecolourSourceChoices(TSpider& node) {
    for (int i = 0; i < node.Count(); ++i) {
        const TSpider::TEntry& e = node.Entry(i);
        if (auto* h = dynamic_cast<TSourceSwHandler*>(e.Handler.get())) h->UpdateMyColors();
        if (e.Child) RecolourSourceChoices(*e.Child);
    }
}

// Runs the histicon recolouring now, or once at the end of the settings load under way.
void RequestHisticonRecolour(TShell& shell, TScreenColors& colors) {
    TCommandTree* tree = shell.CommandTree();
    if (tree && tree->SettingsLoading()) {
        tree->SetDeferredChangePending();
        return;
    }
    if (colors.RecolourHisticons) colors.RecolourHisticons();
}

int ChosenElement(TShell& shell);
void ColorItemStep(TShell& shell, TScreenColors& colors);

void ColorChanged(TShell& shell, int element) {
    TScopeDisplayServices* scope = ScopeDisplay(shell);
    if (!scope) return;
    TScopeDisplayServices& display = *scope;
    display.ApplyLayerColor(element);
    TDisplayServices& services = shell.Display();
    services.TopTextUpdateAll();
    services.TopTextShowAcqState(ChannelIndex1, !display.AcquisitionRunning());
    services.ClearBottomText();
    // The marker feature makes them again in the new colours.
    if (TScopeCRT* panel = display.Panel()) {
        panel->FreeMarkerLayer(1);
        panel->FreeMarkerLayer(2);
    }
    if (TCommandTree* tree = shell.CommandTree()) RecolourSourceChoices(tree->Root());
    // The transparency shown is the chosen element's.
    if (element == ChosenElement(shell)) ColorItemStep(shell, display.Colors());
    RequestHisticonRecolour(shell, display.Colors());
}

int ChosenElement(TShell& shell) {
    const auto* item = Find<TRadioSwHandler>(shell, ColorItemPath);
    return item ? std::clamp(item->GetItemIndex(), 0, ScreenElementCount - 1) : 0;
}

// The transparency follows the chosen element's opacity; an opaque element has none to edit.
void ColorItemStep(TShell& shell, TScreenColors& colors) {
    auto* transparency = Find<TIntEditHandler>(shell, TransparencyPath);
    if (!transparency) return;
    const std::uint32_t b = std::min<std::uint32_t>(colors.ColorValue(ChosenElement(shell)) >> 24, 100);
    transparency->SetDisabled(b == 0);
    transparency->SetValue(b == 0 ? 0 : 100 - b);
}

// Only the side menu edits the opacity: a command that sets the transparency changes no colour.
void TransparencyStep(TShell& shell, TScreenColors& colors, TIntEditHandler& transparency) {
    if (transparency.IsDisabled() || transparency.GetWhoChangedRaw() != wcvSwitcher) return;
    const int element = ChosenElement(shell);
    TIntEditHandler* colour = colors.ColorHandler(element);
    if (!colour) return;
    const std::uint32_t rgb = colors.ColorValue(element) & 0x00FFFFFFu;
    colour->SetValue(static_cast<double>(rgb | (static_cast<std::uint32_t>(100 - transparency.GetValue()) << 24)));
}

// Changes inside one settings load: the deferred steps run once at its end.
template <class F>
void InOneLoad(TShell& shell, F&& changes) {
    TCommandTree* tree = shell.CommandTree();
    if (!tree) return;
    tree->BeginSettingsLoad();
    try {
        changes();
    } catch (...) {
        tree->AbortSettingsLoad();
        throw;
    }
    tree->EndSettingsLoad();
}

void SetDefaultColor(TScreenColors& colors, int element) {
    if (TIntEditHandler* h = colors.ColorHandler(element))
        h->SetValue(ScreenElements()[static_cast<std::size_t>(element)].DefaultColor);
}

}  // namespace

void CreateColorHandlers(TShell& shell, TScopeDisplayServices& display) {
    TCommandTree* tree = shell.CommandTree();
    if (!tree) return;
    TScreenColors& colors = display.Colors();
    TEditConfig config{.Minimum = 0, .Default = 0x555555, .Maximum = MaxColorValue, .CoarseStep = 4095,
                       .CoarseKind = skGrid, .FineStep = 1, .FineKind = skGrid};
    for (int e = 0; e < ScreenElementCount; ++e) {
        TIntEditHandler& h = tree->Root().AddIntEditHandler(
            "Displ:Color:" + ElementColorMnemonic(e),
            {.Initial = static_cast<double>(ScreenElements()[static_cast<std::size_t>(e)].DefaultColor), .Config = config,
             .AfterChange = [&shell, e](THandler&) { ColorChanged(shell, e); }});
        colors.SetColorHandler(e, &h);
    }
    tree->SetColorSettings(&colors);
    auto previous = std::move(tree->OnDeferredSettingsChange);
    tree->OnDeferredSettingsChange = [previous = std::move(previous), &shell] {
        if (previous) previous();
        if (TScopeDisplayServices* scope = ScopeDisplay(shell); scope && scope->Colors().RecolourHisticons)
            scope->Colors().RecolourHisticons();
    };
}

void CreateColorSettings(TShell& shell) {
    TCommandTree* tree = shell.CommandTree();
    if (!tree) return;
    TSpider& root = tree->Root();
    std::string items;
    for (int e = 0; e < ScreenElementCount; ++e) items += (e == 0 ? "" : ",") + ElementColorMnemonic(e);
    root.AddRadioHandler(ColorItemPath, {.Items = items, .Initial = 0, .AfterChange = [&shell](THandler&) {
                                             if (TScopeDisplayServices* scope = ScopeDisplay(shell))
                                                 ColorItemStep(shell, scope->Colors());
                                         }});
    root.AddRightCommandHandler("Shadow:SetOnTop", [&shell](THandler&) {
        const int slot = ScreenElements()[static_cast<std::size_t>(ChosenElement(shell))].Slot;
        TScopeDisplayServices* scope = ScopeDisplay(shell);
        if (TScopeCRT* panel = scope ? scope->Panel() : nullptr; panel && slot < SlotCount) panel->SetOnTop(slot);
    });
    root.AddIntEditHandler(TransparencyPath,
                           {.Initial = 0,
                            .Config = {.Minimum = 0, .Default = 50, .Maximum = 99, .CoarseStep = 10, .CoarseKind = skGrid,
                                       .FineStep = 1, .FineKind = skGrid},
                            .AfterChange = [&shell](THandler& h) {
                                if (TScopeDisplayServices* scope = ScopeDisplay(shell))
                                    TransparencyStep(shell, scope->Colors(), static_cast<TIntEditHandler&>(h));
                            }});
    root.AddRightCommandHandler("Displ:DefaultClr:Current", [&shell](THandler&) {
        if (TScopeDisplayServices* scope = ScopeDisplay(shell))
            InOneLoad(shell, [&] { SetDefaultColor(scope->Colors(), ChosenElement(shell)); });
    });
    root.AddRightCommandHandler("Displ:DefaultClr:All", [&shell](THandler&) {
        if (TScopeDisplayServices* scope = ScopeDisplay(shell))
            InOneLoad(shell, [&] {
                for (int e = 0; e < ScreenElementCount; ++e) SetDefaultColor(scope->Colors(), e);
            });
    });
    for (int n = 1; n <= GradeCount; ++n)
        root.AddIntEditHandler(
            GradePath(n),
            {.Initial = static_cast<double>(InitialGradeColors[static_cast<std::size_t>(n - 1)]),
             .Config = {.Minimum = 0, .Default = 0x808080, .Maximum = 0xFFFFFF, .CoarseStep = 1, .CoarseKind = skGrid,
                        .FineStep = 1, .FineKind = skGrid},
             .AfterChange = [&shell, n](THandler& h) {
                 // Setting 1 is grade 5, the densest hits.
                 TScopeDisplayServices* scope = ScopeDisplay(shell);
                 if (TScopeCRT* panel = scope ? scope->Panel() : nullptr)
                     panel->SetGradeLevel(GradeCount + 1 - n, TColor(static_cast<std::uint32_t>(static_cast<TIntEditHandler&>(h).GetValue())));
                 // The side menu repaints its grade samples when the enabling runs.
                 if (TDisplaySettings* settings = scope ? scope->Settings() : nullptr) settings->Enabling();
             }});
    root.AddRightCommandHandler("Displ:GradeDefCol", [&shell](THandler&) {
        InOneLoad(shell, [&] {
            for (int n = 1; n <= GradeCount; ++n)
                if (auto* h = Find<TIntEditHandler>(shell, GradePath(n))) h->SetValue(InitialGradeColors[static_cast<std::size_t>(n - 1)]);
        });
    });
}

void RefreshColorSettings(TShell& shell, TScopeDisplayServices& display) {
    ColorItemStep(shell, display.Colors());
    RequestHisticonRecolour(shell, display.Colors());
    if (TScopeCRT* panel = display.Panel())
        for (int n = 1; n <= GradeCount; ++n)
            if (const auto* h = Find<TIntEditHandler>(shell, GradePath(n)))
                panel->SetGradeLevel(GradeCount + 1 - n, TColor(static_cast<std::uint32_t>(h->GetValue())));
}

}  // namespace vt
