#include "ui/controls/SourceSwitcher.h"

#include <algorithm>

#include "core/InternalError.h"
#include "core/SourceHandlers.h"

namespace vt {

TRC_SourceSwitcher::TRC_SourceSwitcher(QWidget* parent) : TRC_ListSwitcherBase(parent) {}

void TRC_SourceSwitcher::SetDropDownCount(int count) {
    DropDownCount_ = std::clamp(count, 1, MaxDropDownCount);
    List().FitDropDownCount(DropDownCount_);
}

TSourceSwHandler* TRC_SourceSwitcher::SourceHandler() const { return dynamic_cast<TSourceSwHandler*>(GetHandler()); }

void TRC_SourceSwitcher::ApplyEnabledSources() {
    if (const TSourceSwHandler* h = SourceHandler()) List().SetHiddenMask(~h->EnabledMask());
    List().FitDropDownCount(DropDownCount_);
    update();
}

void TRC_SourceSwitcher::CheckHandler() {
    ApplyEnabledSources();
    UpdateColors();
}

void TRC_SourceSwitcher::ListChanged(int index) {
    THandler* handler = GetHandler();
    if (!handler || index < 0) return;  // an unbound control keeps its own list
    auto* h = dynamic_cast<TSourceSwHandler*>(handler);
    if (!h) VT_INTERNAL_ERROR(AllMyControlsUnit, "Handler not TSourceSwHandler");
    if (auto* signal = dynamic_cast<TSignalSourceSwHandler*>(h)) {
        signal->SetSourceFromSwitcher(index);
    } else {
        h->SetSource(index);
    }
    if (GetHandler() == h && h->GetSourceIndex() != List().currentIndex()) UpdateFromHandler();
}

// ---------------------------------------------------------------------------------------------------

bool TRC_SignalSourceSwitcher::ItemsStale() const {
    const TKitContext* kit = Kit();
    const int wanted = kit ? kit->SourceItems.HighestIndex + 1 : 0;
    return List().count() != std::max(wanted, 0);
}

void TRC_SignalSourceSwitcher::FillItems() {
    List().ClearItems();
    if (const TKitContext* kit = Kit())
        for (int i = 0; i <= kit->SourceItems.HighestIndex && i < static_cast<int>(kit->SourceItems.Captions.size()); ++i)
            List().AddItem(kit->SourceItems.Captions[static_cast<std::size_t>(i)]);
    if (const auto* h = dynamic_cast<const TSignalSourceSwHandler*>(GetHandler())) {
        List().SetIndexSilently(h->GetSource());
        ApplyEnabledSources();
    }
    UpdateColors();
}

void TRC_SignalSourceSwitcher::UpdateColors() {
    const TKitContext* kit = Kit();
    if (!kit) return;
    const TSourceSwitcherItems& items = kit->SourceItems;
    const int highest = std::min(items.HighestIndex, List().count() - 1);
    const TColor back = items.ColorOf ? items.Background : TColor();
    for (int i = 0; i < highest; ++i) List().SetItemColors(i, items.ColorOf ? items.ColorOf(i) : PlainTextColor, back);
    if (highest >= 0) List().SetItemColors(highest, LastTextColor, LastBackColor);
}

void TRC_SignalSourceSwitcher::CheckHandler() {
    if (ItemsStale()) FillItems();
    TRC_SourceSwitcher::CheckHandler();
}

void TRC_SignalSourceSwitcher::showEvent(QShowEvent* event) {
    TRC_SourceSwitcher::showEvent(event);
    if (ItemsStale()) FillItems();
}

void TRC_SignalSourceSwitcher::UpdateFromHandler() {
    if (const auto* h = dynamic_cast<const TSignalSourceSwHandler*>(GetHandler())) {
        List().SetIndexSilently(h->GetSource());
        if (h->EnabledChanged()) ApplyEnabledSources();
        if (h->ColorRefresh()) UpdateColors();
    }
    TRC_SourceSwitcher::UpdateFromHandler();
}

}  // namespace vt
