#include "core/Handlers.h"

#include <algorithm>

#include "core/InternalError.h"
#include "core/CommandTree.h"
#include "core/UndoBuffer.h"

namespace vt {

namespace {
std::string_view Trimmed(std::string_view s) {
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return s;
}

// "ON" / "1" is 1, "OFF" / "0" is 0, anything else -1.
int OnOffWord(std::string_view word) {
    if (word == "1" || SameText(word, "ON")) return 1;
    if (word == "0" || SameText(word, "OFF")) return 0;
    return -1;
}

}  // namespace

int FindItemIndex(const std::vector<std::string>& items, std::string_view name) {
    for (std::size_t i = 0; i < items.size(); ++i)
        if (SameText(items[i], name)) return static_cast<int>(i);
    return -1;
}

std::vector<std::string> ParseItemList(std::string_view text, bool keepCase) {
    std::vector<std::string> items;
    std::string item;
    bool any = false;
    for (char c : text) {
        if (c == ',') {
            items.push_back(std::move(item));
            item.clear();
            any = false;
            continue;
        }
        if (static_cast<unsigned char>(c) <= ' ') continue;
        item += keepCase ? c : UpperChar(c);
        any = true;
    }
    // An item ends at "," or at the last character: a trailing "," adds no empty item.
    if (any || (!items.empty() && !item.empty())) items.push_back(std::move(item));
    return items;
}

std::uint32_t GetMaskForButtinNr(int n) {
    if (n > 31 || n < 0)
        VT_INTERNAL_ERROR(SpiderUnitName, "ERROR in GetMaskForButtinNr - Number of Button > 31");
    return std::uint32_t{1} << n;
}

void ApplyCommandText(THandler& handler, std::string_view text) {
    std::string reply;
    handler.ExecuteCommand(text, false, reply, true);
}

// ---------------------------------------------------------------------------------------------------
IHandlerControl::~IHandlerControl() {
    // Unbind from every handler that is still alive; each removal edits Bound_, so take a copy.
    const std::vector<THandler*> bound = Bound_;
    for (THandler* h : bound) {
        auto& list = h->Switchers_;
        list.erase(std::remove_if(list.begin(), list.end(), [this](const THandler::TBinding& b) {
                       return b.Control == this;
                   }),
                   list.end());
    }
}

THandler::THandler() = default;

THandler::~THandler() {
    std::vector<TBinding> bindings = std::move(Switchers_);
    Switchers_.clear();
    for (auto& b : bindings) {
        auto& bound = b.Control->Bound_;
        bound.erase(std::remove(bound.begin(), bound.end(), this), bound.end());
        b.Control->HandlerUnbound(*this);
    }
}

void THandler::UpdateMyColors() {
    VT_INTERNAL_ERROR(SpiderUnitName, "UpdateMyColors must be called only for Edit or SourcesComboBox");
}

void THandler::ExecuteCommand(std::string_view, bool, std::string&, bool internal) { MarkWho(internal); }

void THandler::RegisterSwitcher(IHandlerControl& control, TSwitcherCallback callback) {
    for (const auto& b : Switchers_)
        if (b.Control == &control) VT_INTERNAL_ERROR(SpiderUnitName, "ERROR!  This Switcher already Registered");
    Switchers_.push_back({&control, callback});
    control.Bound_.push_back(this);
    // The callback runs from a copy: it may bind further controls, which moves the list.
    if (callback)
        callback(control);
    else
        control.HandlerValueChanged(*this);
}

void THandler::UnregisterSwitcher(IHandlerControl& control) {
    if (Switchers_.empty()) VT_INTERNAL_ERROR(SpiderUnitName, "ERROR!  Switchers List Empty");
    auto it = std::find_if(Switchers_.begin(), Switchers_.end(),
                           [&](const TBinding& b) { return b.Control == &control; });
    if (it == Switchers_.end()) VT_INTERNAL_ERROR(SpiderUnitName, "ERROR!  This Switcher not Found in Handler");
    Switchers_.erase(it);
    auto& bound = control.Bound_;
    bound.erase(std::remove(bound.begin(), bound.end(), this), bound.end());
}

void THandler::NotifySwitchers() {
    if (Switchers_.empty()) return;
    // A control may unbind itself or others while it is told; tell only those still bound.
    std::vector<IHandlerControl*> controls;
    controls.reserve(Switchers_.size());
    for (const auto& b : Switchers_) controls.push_back(b.Control);
    for (IHandlerControl* c : controls) {
        auto it = std::find_if(Switchers_.begin(), Switchers_.end(),
                               [c](const TBinding& b) { return b.Control == c; });
        if (it == Switchers_.end()) continue;
        if (it->Callback) {
            TSwitcherCallback cb = it->Callback;
            cb(*c);
        } else {
            c->HandlerValueChanged(*this);
        }
    }
}

void THandler::NotifyEnabledChanged() {
    std::vector<IHandlerControl*> controls;
    for (const auto& b : Switchers_) controls.push_back(b.Control);
    for (IHandlerControl* c : controls) {
        bool still = std::any_of(Switchers_.begin(), Switchers_.end(),
                                 [c](const TBinding& b) { return b.Control == c; });
        if (still) c->HandlerEnabledChanged(*this, IsDisabled());
    }
}

void THandler::SetDisabled(bool disabled) {
    const std::uint8_t v = disabled ? 1 : 0;
    if (v == Disabled_) return;
    Disabled_ = v;
    NotifyEnabledChanged();
    if (OnEnableChange_) OnEnableChange_(*this, disabled);
}

TWhoChanged THandler::GetWhoChanged() const {
    if (WhoChanged_ == wcvUnknown) VT_INTERNAL_ERROR(SpiderUnitName, "WhoChangedVariable = wcvUnknown");
    return WhoChanged_;
}

bool THandler::ApplyingUnchanged() const { return Tree_ != nullptr && Tree_->ApplyUnchangedValues; }

bool THandler::UndoWanted() const { return Tree_ != nullptr && Tree_->UndoBuffer() != nullptr && !NoSave_; }

bool THandler::HeaderOn() const { return Tree_ == nullptr || Tree_->HeaderOn(); }

void THandler::SaveForUndo(std::string oldValueText) {
    TUndoBuffer* buffer = Tree_ ? Tree_->UndoBuffer() : nullptr;
    if (buffer == nullptr || NoSave_) return;
    if (WhoChanged_ == wcvUnknown) VT_INTERNAL_ERROR(SpiderUnitName, "ERROR PRICHINY");
    if ((WhoChanged_ == wcvSwitcher || WhoChanged_ == wcvRemote) && !JoinUndo_) buffer->BeginStep();
    // One old value per handler and step: the oldest.
    if (UndoStamp_ < buffer->StepStamp()) {
        buffer->AddItem(std::move(oldValueText), this);
        UndoStamp_ = buffer->StepStamp();
    }
}

// ---------------------------------------------------------------------------------------------------
TRadioSwHandler::TRadioSwHandler(const TRadioOptions& o)
    : Items_(ParseItemList(o.Items)), ItemIndex_(o.Initial), DisabledMask_(o.DisabledMask) {
    if (Items_.size() > 256) VT_INTERNAL_ERROR(SpiderUnitName, "ERROR!  Too many Items");
    OnBeforeChange_ = o.BeforeChange;
    OnAfterChange_ = o.AfterChange;
}

int TRadioSwHandler::FindItem(std::string_view name) const { return FindItemIndex(Items_, name); }

bool TRadioSwHandler::SetIndexCore(int index) {
    if (index < 0 || index >= static_cast<int>(Items_.size())) return false;
    const int old = ItemIndex_;
    return RunSetStep(
        index != old, true,
        [&] { return (old >= 0 && old < static_cast<int>(Items_.size())) ? Items_[old] : std::string(); },
        [&] { ItemIndex_ = index; });
}

bool TRadioSwHandler::SetItemIndex(int index) {
    TWhoScope who(*this, wcvProgram);
    return SetIndexCore(index);
}

bool TRadioSwHandler::SetItemIndexFromSwitcher(int index) {
    TWhoScope who(*this, wcvSwitcher);
    return SetIndexCore(index);
}

void TRadioSwHandler::SetItems(std::string_view items) {
    Items_ = ParseItemList(items);
    if (Items_.size() > 256) VT_INTERNAL_ERROR(SpiderUnitName, "ERROR!  Too many Items");
    ItemIndex_ = 0;
    NotifySwitchers();
}

void TRadioSwHandler::SetDisabledMask(std::uint32_t mask) {
    if (mask == DisabledMask_) return;
    DisabledMask_ = mask;
    NotifySwitchers();
}

void TRadioSwHandler::ExecuteCommand(std::string_view parameter, bool isQuery, std::string& reply, bool internal) {
    TWhoScope who(*this, internal ? wcvCommandList : wcvRemote);
    // A query that carries a parameter applies it first, then replies.
    if (!parameter.empty()) {
        const int index = FindItem(parameter);
        if (index >= 0) SetIndexCore(index);
    }
    if (!isQuery) return;
    if (QueryBlank(internal)) reply += ' ';
    if (ItemIndex_ >= 0 && ItemIndex_ < static_cast<int>(Items_.size())) reply += Items_[ItemIndex_];
}

// ---------------------------------------------------------------------------------------------------
TOnOffHandler::TOnOffHandler(const TOnOffOptions& o) : State_(o.Initial ? 1 : 0) {
    OnBeforeChange_ = o.BeforeChange;
    OnAfterChange_ = o.AfterChange;
}

bool TOnOffHandler::SetCore(bool on) {
    const bool old = State_ != 0;
    return RunSetStep(
        on != old, true, [&] { return std::string(old ? "ON" : "OFF"); }, [&] { State_ = on ? 1 : 0; });
}

bool TOnOffHandler::SetOn(bool on) {
    TWhoScope who(*this, wcvProgram);
    return SetCore(on);
}

bool TOnOffHandler::SetOnFromSwitcher(bool on) {
    TWhoScope who(*this, wcvSwitcher);
    return SetCore(on);
}

void TOnOffHandler::ExecuteCommand(std::string_view parameter, bool isQuery, std::string& reply, bool internal) {
    TWhoScope who(*this, internal ? wcvCommandList : wcvRemote);
    // A query that carries a parameter applies it first, then replies.
    if (!parameter.empty()) {
        const int v = OnOffWord(parameter);
        if (v >= 0) SetCore(v == 1);
    }
    if (!isQuery) return;
    if (QueryBlank(internal)) reply += ' ';
    reply += State_ ? "ON" : "OFF";
}

// ---------------------------------------------------------------------------------------------------
TCheckSwHandler::TCheckSwHandler(const TCheckOptions& o)
    : Items_(ParseItemList(o.Items)), Mask_(o.InitialMask), DisabledMask_(o.DisabledMask) {
    if (Items_.size() > 32) VT_INTERNAL_ERROR(SpiderUnitName, "ERROR!  Too many Items");
    OnBeforeChange_ = o.BeforeChange;
    OnAfterChange_ = o.AfterChange;
}

int TCheckSwHandler::FindItem(std::string_view name) const { return FindItemIndex(Items_, name); }

std::string TCheckSwHandler::MaskText() const {
    std::string s;
    for (std::size_t i = 0; i < Items_.size(); ++i) {
        if (!(Mask_ & (std::uint32_t{1} << i))) continue;
        if (!s.empty()) s += ',';
        s += Items_[i];
    }
    return s.empty() ? std::string("ClearALL") : s;
}

std::uint32_t TCheckSwHandler::ListMask(std::string_view list) const {
    std::uint32_t mask = 0;
    for (const std::string& name : ParseItemList(list)) {
        const int i = FindItem(name);
        if (i >= 0) mask |= std::uint32_t{1} << i;
    }
    return mask;
}

bool TCheckSwHandler::SetBitCore(int item, bool on) {
    if (item < 0 || item >= static_cast<int>(Items_.size())) return false;
    const std::uint32_t bit = std::uint32_t{1} << item;
    const bool old = (Mask_ & bit) != 0;
    LastItem_ = item;
    LastState_ = on;
    return RunSetStep(
        on != old, true, [&] { return MaskText(); },
        [&] { Mask_ = on ? (Mask_ | bit) : (Mask_ & ~bit); });
}

void TCheckSwHandler::ApplyMask(std::uint32_t mask) {
    const int n = static_cast<int>(Items_.size());
    // One command is one undo step however many bits it changes: after the first bit the others join.
    TResetOnExit<bool> join(JoinUndo_, JoinUndo_);
    auto setBit = [&](int i, bool on) {
        if (SetBitCore(i, on)) JoinUndo_ = true;
    };
    if (ApplyingUnchanged()) {
        for (int i = 0; i < n; ++i) setBit(i, (mask >> i) & 1u);
        return;
    }
    // Bits to clear first, then bits to set, each through the set step.
    for (int i = 0; i < n; ++i)
        if (((Mask_ >> i) & 1u) && !((mask >> i) & 1u)) setBit(i, false);
    for (int i = 0; i < n; ++i)
        if (!((Mask_ >> i) & 1u) && ((mask >> i) & 1u)) setBit(i, true);
}

void TCheckSwHandler::SetMask(std::uint32_t mask) {
    TWhoScope who(*this, wcvProgram);
    ApplyMask(mask);
}

bool TCheckSwHandler::SetBit(int item, bool on) {
    TWhoScope who(*this, wcvProgram);
    return SetBitCore(item, on);
}

bool TCheckSwHandler::SetBitFromSwitcher(int item, bool on) {
    TWhoScope who(*this, wcvSwitcher);
    return SetBitCore(item, on);
}

void TCheckSwHandler::SetDisabledMask(std::uint32_t mask) {
    if (mask == DisabledMask_) return;
    DisabledMask_ = mask;
    NotifySwitchers();
}

void TCheckSwHandler::ExecuteCommand(std::string_view parameter, bool isQuery, std::string& reply, bool internal) {
    TWhoScope who(*this, internal ? wcvCommandList : wcvRemote);
    const std::string_view param = Trimmed(parameter);
    const std::size_t blank = param.find(' ');
    const std::string_view verb = blank == std::string_view::npos ? param : param.substr(0, blank);
    const std::string_view rest = blank == std::string_view::npos ? std::string_view() : Trimmed(param.substr(blank));
    const int item = FindItem(verb);

    if (item >= 0 && (isQuery || !rest.empty())) {
        if (!rest.empty()) {
            const int v = OnOffWord(rest);
            if (v >= 0) SetBitCore(item, v == 1);
        }
        if (isQuery) {
            // The item's own state, after a state the query carried was applied.
            const bool on = (Mask_ >> item) & 1u;
            if (HeaderOn()) {
                reply += ':';
                reply += Items_[static_cast<std::size_t>(item)];
                reply += ' ';
            }
            reply += on ? "ON" : "OFF";
        }
        return;
    }
    // A query that carries a parameter applies it first, then replies.
    if (!param.empty()) {
        if (SameText(verb, "CLEARALL") && rest.empty()) {
            ApplyMask(0);
        } else if (SameText(verb, "INCLUDE")) {
            ApplyMask(Mask_ | ListMask(rest));
        } else if (SameText(verb, "EXCLUDE")) {
            ApplyMask(Mask_ & ~ListMask(rest));
        } else if (const std::uint32_t named = ListMask(param); named != 0) {
            // No verb: the checked items become exactly those named. A text that names none of them
            // (an unknown item with its state, a misspelt list) is a bad value and changes nothing.
            ApplyMask(named);
        }
    }
    if (!isQuery) return;
    if (QueryBlank(internal)) reply += ' ';
    reply += MaskText();
}

// ---------------------------------------------------------------------------------------------------
TMainCommandHandler::TMainCommandHandler(const TMainCommandOptions& o)
    : Variable_(o.Variable),
      MenuWords_(ParseItemList(o.MenuWords, true)),
      StateWords_(ParseItemList(o.StateWords)),
      CurrentIndex_(o.InitialIndex) {
    if (Variable_ != nullptr) {
        if (!StateWords_.empty() && StateWords_.size() != 2)
            VT_INTERNAL_ERROR(SpiderUnitName, "OnOffMnemonic must contain 2 mnemonics");
        if (!MenuWords_.empty()) VT_INTERNAL_ERROR(SpiderUnitName, "If Bool defined - MenuMnemonic must be empty");
    } else {
        if (!o.Action) VT_INTERNAL_ERROR(SpiderUnitName, "If Bool Undefined - aWhatDo is necessary");
        if (!StateWords_.empty()) VT_INTERNAL_ERROR(SpiderUnitName, "If Bool Undefined - OnOffMnemonic must be empty");
    }
    OnAfterChange_ = o.Action;
}

void TMainCommandHandler::ExecuteCommand(std::string_view parameter, bool isQuery, std::string& reply,
                                         bool internal) {
    TWhoScope who(*this, internal ? wcvCommandList : wcvRemote);
    // A plain action holds no state: its internal query stays empty, so that no setup ever runs it.
    const bool plain = Variable_ == nullptr && MenuWords_.empty();
    if (isQuery && HeaderOn() && !(plain && internal)) reply += ' ';
    // A query that carries a parameter applies it first, then replies; a bare query runs nothing.
    const bool apply = !isQuery || !Trimmed(parameter).empty();
    if (Variable_ != nullptr) {
        if (apply) {
            const int word = StateWords_.size() == 2 ? FindItemIndex(StateWords_, Trimmed(parameter)) : 1;
            if (word >= 0) {
                *Variable_ = word == 1;
                NotifySwitchers();
                CallAfterChange();
            }
        }
        if (isQuery) {
            const int state = *Variable_ ? 1 : 0;
            if (StateWords_.size() == 2)
                reply += StateWords_[static_cast<std::size_t>(state)];
            else
                reply += state ? "ON" : "OFF";
        }
        return;
    }
    if (!MenuWords_.empty()) {
        if (apply) {
            RequestedIndex_ = FindItemIndex(MenuWords_, Trimmed(parameter));
            if (RequestedIndex_ >= 0) CurrentIndex_ = RequestedIndex_;
            NotifySwitchers();
            CallAfterChange();
        }
        if (isQuery && CurrentIndex_ >= 0 && CurrentIndex_ < static_cast<int>(MenuWords_.size()))
            reply += MenuWords_[static_cast<std::size_t>(CurrentIndex_)];
        return;
    }
    if (isQuery) return;
    CallAfterChange();
}

void TMainCommandHandler::PressFromSwitcher(bool state) {
    if (Variable_ == nullptr) return;
    TWhoScope who(*this, wcvSwitcher);
    if (*Variable_ == state) return;
    *Variable_ = state;
    NotifySwitchers();
    CallAfterChange();
}

void TMainCommandHandler::SelectFromSwitcher(int index) {
    TWhoScope who(*this, wcvSwitcher);
    RequestedIndex_ = index;
    if (index >= 0) CurrentIndex_ = index;
    NotifySwitchers();
    CallAfterChange();
}

// ---------------------------------------------------------------------------------------------------
TRightCommandHandler::TRightCommandHandler(THandlerCallback action) { OnAfterChange_ = std::move(action); }

void TRightCommandHandler::Press() {
    Pressed_ = true;
    NotifySwitchers();
    TResetOnExit<bool> release(Pressed_, false);
    if (Tree_ != nullptr && Tree_->UndoBuffer() != nullptr) Tree_->UndoBuffer()->BeginStep();
    CallAfterChange();
    Pressed_ = false;
    NotifySwitchers();
}

void TRightCommandHandler::ExecuteCommand(std::string_view, bool isQuery, std::string&, bool internal) {
    if (isQuery) return;
    TWhoScope who(*this, internal ? wcvCommandList : wcvRemote);
    Press();
}

void TRightCommandHandler::PressFromSwitcher() {
    TWhoScope who(*this, wcvSwitcher);
    Press();
}

// ---------------------------------------------------------------------------------------------------
TGpibStringHandler::TGpibStringHandler(std::uint8_t tag, TGpibReplyCallback callback)
    : Callback_(std::move(callback)), Tag_(tag) {}

void TGpibStringHandler::ExecuteCommand(std::string_view parameter, bool isQuery, std::string& reply, bool) {
    if ((parameter.empty() && !isQuery) || !Callback_) return;
    Callback_(parameter, isQuery, Tag_, reply);
}

// ---------------------------------------------------------------------------------------------------
TComplexObjectHandler::TComplexObjectHandler(TStateCallback callback) : Callback_(std::move(callback)) {}

std::string TComplexObjectHandler::StateText() {
    if (!Callback_) VT_INTERNAL_ERROR(SpiderUnitName, "NO FUNCTION");
    std::string text;
    Callback_(*this, true, text);
    return text;
}

void TComplexObjectHandler::ExecuteCommand(std::string_view parameter, bool isQuery, std::string& reply,
                                           bool internal) {
    TWhoScope who(*this, internal ? wcvCommandList : wcvRemote);
    if (!Callback_) VT_INTERNAL_ERROR(SpiderUnitName, "NO FUNCTION");
    // A query that carries a parameter applies it first, then replies.
    if (isQuery && !parameter.empty()) {
        std::string state(parameter);
        Callback_(*this, false, state);
    }
    std::string text(isQuery ? std::string_view() : parameter);
    Callback_(*this, isQuery, text);
    reply += ' ';
    reply += text;
}

void TComplexObjectHandler::SaveStateForUndo(bool internal) {
    TWhoScope who(*this, internal ? wcvCommandList : wcvSwitcher);
    if (!UndoWanted()) return;
    SaveForUndo(StateText());
}

}  // namespace vt
