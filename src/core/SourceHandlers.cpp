#include "core/SourceHandlers.h"

#include <algorithm>

#include "core/CommandTree.h"

namespace vt {

void THandlerSignalEnablity::Notify() {
    // A follower's callback may register or free other source choices: walk a copy and skip the gone.
    const std::vector<TSignalSourceSwHandler*> followers = Followers_;
    for (TSignalSourceSwHandler* h : followers)
        if (std::find(Followers_.begin(), Followers_.end(), h) != Followers_.end()) h->UpdateEnabled();
}

void THandlerSignalEnablity::Follow(TSignalSourceSwHandler& handler) {
    if (std::find(Followers_.begin(), Followers_.end(), &handler) == Followers_.end())
        Followers_.push_back(&handler);
}

void THandlerSignalEnablity::Unfollow(TSignalSourceSwHandler& handler) {
    Followers_.erase(std::remove(Followers_.begin(), Followers_.end(), &handler), Followers_.end());
}

// ---------------------------------------------------------------------------------------------------
TSourceSwHandler::TSourceSwHandler(const TSourceOptions& o)
    : Items_(ParseItemList(o.Items)), ExcludedMask_(o.ExcludedMask) {
    OnBeforeChange_ = o.BeforeChange;
    OnAfterChange_ = o.AfterChange;
}

int TSourceSwHandler::FindItem(std::string_view name) const { return FindItemIndex(Items_, name); }

bool TSourceSwHandler::IsExcluded(int index) const {
    return index >= 0 && index < 32 && (ExcludedMask_ & (std::uint32_t{1} << index)) != 0;
}

void TSourceSwHandler::UpdateMyColors() {
    ColorRefresh_ = true;
    TResetOnExit<bool> clear(ColorRefresh_, false);
    NotifySwitchers();
}

void TSourceSwHandler::ExecuteCommand(std::string_view parameter, bool isQuery, std::string& reply, bool internal) {
    TWhoScope who(*this, internal ? wcvCommandList : wcvRemote);
    if (SameText(parameter, "ENABLED")) {
        if (!isQuery) {
            reply += "ERROR";
            return;
        }
        if (HeaderOn()) reply += ":ENABLED ";
        bool first = true;
        for (std::size_t i = 0; i < Items_.size() && i < 32; ++i) {
            if (!(EnabledMask_ & (std::uint32_t{1} << i))) continue;
            if (!first) reply += ',';
            reply += Items_[i];
            first = false;
        }
        return;
    }
    // A named source is selected whether it is on or not (an excluded one was refused before this). A
    // query that carries a source applies it first, then replies.
    if (!parameter.empty()) {
        const int index = FindItem(parameter);
        if (index >= 0) SetSourceCore(index);
    }
    if (!isQuery) return;
    if (QueryBlank(internal)) reply += ' ';
    const int s = GetSourceIndex();
    if (s >= 0 && s < static_cast<int>(Items_.size())) reply += Items_[static_cast<std::size_t>(s)];
}

// ---------------------------------------------------------------------------------------------------
TSignalSourceSwHandler::TSignalSourceSwHandler(const TSourceOptions& o)
    : TSourceSwHandler(o), Source_(static_cast<std::uint8_t>(o.Initial)) {}

TSignalSourceSwHandler::~TSignalSourceSwHandler() {
    if (Enablity_ != nullptr) Enablity_->Unfollow(*this);
}

void TSignalSourceSwHandler::FollowSignals(THandlerSignalEnablity& enablity) {
    if (Enablity_ != nullptr) Enablity_->Unfollow(*this);
    Enablity_ = &enablity;
    enablity.Follow(*this);
    UpdateEnabled();
}

bool TSignalSourceSwHandler::SetSourceCore(int index) {
    if (index < 0 || index >= static_cast<int>(Items_.size()) || index > 255) return false;
    const int old = Source_;
    // A source choice records no undo.
    return RunSetStep(
        index != old, false, [] { return std::string(); }, [&] { Source_ = static_cast<std::uint8_t>(index); });
}

bool TSignalSourceSwHandler::SetSource(int index) {
    TWhoScope who(*this, wcvProgram);
    return SetSourceCore(index);
}

bool TSignalSourceSwHandler::SetSourceFromSwitcher(int index) {
    TWhoScope who(*this, wcvSwitcher);
    return SetSourceCore(index);
}

void TSignalSourceSwHandler::UpdateEnabled() {
    TWhoScope who(*this, wcvProgram);
    const bool callbacks = Tree_ != nullptr && Tree_->RegistrationFinished();
    bool any = false;
    for (int s = 0; s < SignalSourceCount; ++s) {
        const std::uint32_t bit = std::uint32_t{1} << s;
        const bool on = Enablity_ != nullptr && Enablity_->IsSourceOn(s);
        const bool enabled = (on || s == SignalSourceCount - 1) && !(ExcludedMask_ & bit);
        if (enabled == ((EnabledMask_ & bit) != 0)) continue;
        EnabledMask_ = enabled ? (EnabledMask_ | bit) : (EnabledMask_ & ~bit);
        any = true;
        if (callbacks) CallAfterChange();
    }
    if (!any) return;
    Changed_ = true;
    TResetOnExit<bool> clear(Changed_, false);
    NotifySwitchers();
}

}  // namespace vt
