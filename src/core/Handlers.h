#pragma once
// Setting handlers: the model object of each setting. A handler owns the value, reads it from command
// text, writes it back as reply text, records the old value for undo and calls the feature's callbacks
// around every change, always in the same order (before-change, undo record, store, notify bound
// controls, after-change).
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/AsciiText.h"
#include "core/Color.h"

namespace vt {

class TCommandTree;
class THandler;
class TEditHandler;
class TComplexObjectHandler;

// Who made the change in progress.
enum TWhoChanged : std::uint8_t {
    wcvUnknown = 0,
    wcvProgram = 1,
    wcvSwitcher = 2,
    wcvRemote = 3,
    wcvCommandList = 4,
};

inline constexpr int NoColorSource = 18;   // colour source "none" of the numeric settings
inline constexpr int SignalSourceCount = 18;  // sources 0 .. 17 take part in source enabling

// A control bound to a handler (the switchers of the user interface). A control may outlive its
// handler and a handler may outlive its controls: whichever goes first unbinds from the other.
class IHandlerControl {
public:
    IHandlerControl() = default;
    IHandlerControl(const IHandlerControl&) = delete;
    IHandlerControl& operator=(const IHandlerControl&) = delete;
    virtual ~IHandlerControl();

    // Show the handler's value (and colours) again.
    virtual void HandlerValueChanged(THandler& handler) = 0;
    // The handler's disabled flag changed.
    virtual void HandlerEnabledChanged(THandler& handler, bool disabled) { (void)handler, (void)disabled; }
    // The handler is being destroyed; the binding is already gone.
    virtual void HandlerUnbound(THandler& handler) { (void)handler; }

    const std::vector<THandler*>& BoundHandlers() const { return Bound_; }

private:
    friend class THandler;
    std::vector<THandler*> Bound_;
};

using THandlerCallback = std::function<void(THandler&)>;
using TEnableChangeCallback = std::function<void(THandler&, bool disabled)>;
using TSwitcherCallback = std::function<void(IHandlerControl&)>;

// Puts a variable back to a value when the scope ends, also when a callback throws.
template <class T>
class TResetOnExit {
public:
    TResetOnExit(T& variable, T value) : Variable_(variable), Value_(value) {}
    ~TResetOnExit() { Variable_ = Value_; }
    TResetOnExit(const TResetOnExit&) = delete;
    TResetOnExit& operator=(const TResetOnExit&) = delete;

private:
    T& Variable_;
    T Value_;
};

// Index of the item that names the text (compared without regard to case), or -1.
int FindItemIndex(const std::vector<std::string>& items, std::string_view name);

// A tag that makes the option structs below accept only designated initializers, so that two numbers
// of the same type (a minimum and a maximum) cannot be swapped by position without a compile error.
struct TByName {
    explicit TByName() = default;
};

class THandler {
public:
    THandler();
    THandler(const THandler&) = delete;
    THandler& operator=(const THandler&) = delete;
    virtual ~THandler();

    // Recolour the bound controls (numeric settings and source choices only).
    virtual void UpdateMyColors();
    // Run one command on this handler: a set when isQuery is off, else a query whose reply text goes to
    // reply. internal is on for command lines the system runs itself (setups, undo and redo).
    virtual void ExecuteCommand(std::string_view parameter, bool isQuery, std::string& reply, bool internal);

    // Bound controls.
    void RegisterSwitcher(IHandlerControl& control, TSwitcherCallback callback = {});
    void UnregisterSwitcher(IHandlerControl& control);
    void NotifySwitchers();
    int SwitcherCount() const { return static_cast<int>(Switchers_.size()); }

    bool IsDisabled() const { return Disabled_ != 0; }
    void SetDisabled(bool disabled);
    bool NoSave() const { return NoSave_ != 0; }
    void SetNoSave(bool noSave) { NoSave_ = noSave ? 1 : 0; }
    bool JoinUndo() const { return JoinUndo_; }
    void SetJoinUndo(bool join) { JoinUndo_ = join; }
    std::uint32_t UndoStamp() const { return UndoStamp_; }

    // The who-changed value of the change in progress; asking outside a change is an internal error.
    TWhoChanged GetWhoChanged() const;
    TWhoChanged GetWhoChangedRaw() const { return WhoChanged_; }

    void SetOnBeforeChange(THandlerCallback cb) { OnBeforeChange_ = std::move(cb); }
    void SetOnAfterChange(THandlerCallback cb) { OnAfterChange_ = std::move(cb); }
    void SetOnEnableChange(TEnableChangeCallback cb) { OnEnableChange_ = std::move(cb); }

    TCommandTree* Tree() const { return Tree_; }
    // Called once by the tree when the handler is registered.
    void AttachToTree(TCommandTree* tree) { Tree_ = tree; }

protected:
    // Sets who-changed for the duration of one change and puts the previous value back afterwards, so
    // that a change made inside another handler's callback does not disturb the outer one.
    class TWhoScope {
    public:
        TWhoScope(THandler& h, TWhoChanged who) : H_(h), Prev_(h.WhoChanged_) { h.WhoChanged_ = who; }
        ~TWhoScope() { H_.WhoChanged_ = Prev_; }
        TWhoScope(const TWhoScope&) = delete;
        TWhoScope& operator=(const TWhoScope&) = delete;

    private:
        THandler& H_;
        TWhoChanged Prev_;
    };

    // The set step shared by every class. undoText yields the old value's text (asked only when undo
    // is recorded); store writes the new value.
    template <class UndoText, class Store>
    bool RunSetStep(bool changed, bool recordUndo, UndoText&& undoText, Store&& store) {
        if (!changed && !ApplyingUnchanged()) return false;
        if (changed && OnBeforeChange_) OnBeforeChange_(*this);
        if (recordUndo && UndoWanted()) SaveForUndo(undoText());
        store();
        if (changed) NotifySwitchers();
        if (OnAfterChange_) OnAfterChange_(*this);
        return changed;
    }

    bool ApplyingUnchanged() const;
    bool UndoWanted() const;
    void SaveForUndo(std::string oldValueText);
    bool HeaderOn() const;
    // " " when a query reply leads with a blank (Header ON or an internal command).
    bool QueryBlank(bool internal) const { return internal || HeaderOn(); }
    void MarkWho(bool internal) { WhoChanged_ = internal ? wcvCommandList : wcvRemote; }
    void CallAfterChange() {
        if (OnAfterChange_) OnAfterChange_(*this);
    }
    void NotifyEnabledChanged();

    TCommandTree* Tree_ = nullptr;
    THandlerCallback OnBeforeChange_;
    THandlerCallback OnAfterChange_;
    TEnableChangeCallback OnEnableChange_;

private:
    friend class IHandlerControl;
    friend class TComplexObjectHandler;
    struct TBinding {
        IHandlerControl* Control;
        TSwitcherCallback Callback;
    };
    std::vector<TBinding> Switchers_;
    std::uint8_t Disabled_ = 0;
    std::uint8_t NoSave_ = 0;
    std::uint32_t UndoStamp_ = 0;
    TWhoChanged WhoChanged_ = wcvUnknown;

protected:
    bool JoinUndo_ = false;
};

// Runs an undo or redo text on a handler as an internal set (who-changed "command list").
void ApplyCommandText(THandler& handler, std::string_view text);
// 1 shifted left by n, for n from 0 to 31.
std::uint32_t GetMaskForButtinNr(int n);
// Splits a comma list: every character at or below the blank is dropped, items are upper-cased unless
// keepCase is set.
std::vector<std::string> ParseItemList(std::string_view text, bool keepCase = false);

// ---------------------------------------------------------------------------------------------------
// Choice of one item.
struct TRadioOptions {
    [[no_unique_address]] TByName ByName_{};
    std::string Items{};
    int Initial = 0;
    bool Replace = false;
    std::uint32_t DisabledMask = 0;
    THandlerCallback BeforeChange{};
    THandlerCallback AfterChange{};
};

class TRadioSwHandler : public THandler {
public:
    explicit TRadioSwHandler(const TRadioOptions& options);
    void ExecuteCommand(std::string_view parameter, bool isQuery, std::string& reply, bool internal) override;

    int GetItemIndex() const { return ItemIndex_; }
    struct TState {
        int ItemIndex;
        std::uint32_t DisabledMask;
    };
    TState GetState() const { return {ItemIndex_, DisabledMask_}; }
    bool SetItemIndex(int index);
    bool SetItemIndexFromSwitcher(int index);
    void SetItems(std::string_view items);
    void SetDisabledMask(std::uint32_t mask);
    std::uint32_t GetDisabledMask() const { return DisabledMask_; }
    const std::vector<std::string>& Items() const { return Items_; }
    int FindItem(std::string_view name) const;

private:
    bool SetIndexCore(int index);
    std::vector<std::string> Items_;
    int ItemIndex_ = 0;
    std::uint32_t DisabledMask_ = 0;
};

// On or off.
struct TOnOffOptions {
    [[no_unique_address]] TByName ByName_{};
    bool Initial = false;
    THandlerCallback BeforeChange{};
    THandlerCallback AfterChange{};
};

class TOnOffHandler : public THandler {
public:
    explicit TOnOffHandler(const TOnOffOptions& options);
    void ExecuteCommand(std::string_view parameter, bool isQuery, std::string& reply, bool internal) override;
    bool GetOn() const { return State_ != 0; }
    bool SetOn(bool on);
    bool SetOnFromSwitcher(bool on);

private:
    bool SetCore(bool on);
    std::uint8_t State_ = 0;
};

// A set of up to 32 checked items.
struct TCheckOptions {
    [[no_unique_address]] TByName ByName_{};
    std::string Items{};
    std::uint32_t InitialMask = 0;
    std::uint32_t DisabledMask = 0;
    THandlerCallback BeforeChange{};
    THandlerCallback AfterChange{};
};

class TCheckSwHandler : public THandler {
public:
    explicit TCheckSwHandler(const TCheckOptions& options);
    void ExecuteCommand(std::string_view parameter, bool isQuery, std::string& reply, bool internal) override;

    std::uint32_t GetMask() const { return Mask_; }
    void SetMask(std::uint32_t mask);
    bool SetBit(int item, bool on);
    bool SetBitFromSwitcher(int item, bool on);
    void SetDisabledMask(std::uint32_t mask);
    std::uint32_t GetDisabledMask() const { return DisabledMask_; }
    const std::vector<std::string>& Items() const { return Items_; }
    // The item of the bit change in progress and its new state (for the after-change callback).
    int LastChangedItem() const { return LastItem_; }
    bool LastChangedState() const { return LastState_; }
    // "ClearALL" or the checked items joined by ",".
    std::string MaskText() const;

private:
    bool SetBitCore(int item, bool on);
    void ApplyMask(std::uint32_t mask);
    int FindItem(std::string_view name) const;
    std::uint32_t ListMask(std::string_view list) const;
    std::vector<std::string> Items_;
    std::uint32_t Mask_ = 0;
    std::uint32_t DisabledMask_ = 0;
    int LastItem_ = -1;
    bool LastState_ = false;
};

// A command of the main window: a Boolean state with an optional pair of state words, a menu of
// action words, or a plain action.
struct TMainCommandOptions {
    [[no_unique_address]] TByName ByName_{};
    bool* Variable = nullptr;
    int InitialIndex = 0;
    std::string MenuWords{};
    std::string StateWords{};
    THandlerCallback Action{};
};

class TMainCommandHandler : public THandler {
public:
    explicit TMainCommandHandler(const TMainCommandOptions& options);
    void ExecuteCommand(std::string_view parameter, bool isQuery, std::string& reply, bool internal) override;

    // Presses of the bound command controls.
    void PressFromSwitcher(bool state);
    void SelectFromSwitcher(int index);

    int CurrentIndex() const { return CurrentIndex_; }
    int LastRequestedIndex() const { return RequestedIndex_; }
    const std::vector<std::string>& MenuWords() const { return MenuWords_; }
    const std::vector<std::string>& StateWords() const { return StateWords_; }
    bool* Variable() const { return Variable_; }

private:
    bool* Variable_ = nullptr;
    std::vector<std::string> MenuWords_;
    std::vector<std::string> StateWords_;
    int CurrentIndex_ = 0;
    int RequestedIndex_ = -1;
};

// A command without a value (a button).
class TRightCommandHandler : public THandler {
public:
    explicit TRightCommandHandler(THandlerCallback action);
    void ExecuteCommand(std::string_view parameter, bool isQuery, std::string& reply, bool internal) override;
    void PressFromSwitcher();
    bool Pressed() const { return Pressed_; }

private:
    void Press();
    bool Pressed_ = false;
};

// A command whose text the feature answers itself; never saved.
using TGpibReplyCallback =
    std::function<void(std::string_view parameter, bool isQuery, std::uint8_t tag, std::string& reply)>;

class TGpibStringHandler : public THandler {
public:
    TGpibStringHandler(std::uint8_t tag, TGpibReplyCallback callback);
    void ExecuteCommand(std::string_view parameter, bool isQuery, std::string& reply, bool internal) override;
    std::uint8_t Tag() const { return Tag_; }

private:
    TGpibReplyCallback Callback_;
    std::uint8_t Tag_;
};

// An object whose whole state is one text. The callback applies the text (isQuery off) or fills it
// with the current state (isQuery on).
using TStateCallback = std::function<void(TComplexObjectHandler& handler, bool isQuery, std::string& text)>;

class TComplexObjectHandler : public THandler {
public:
    explicit TComplexObjectHandler(TStateCallback callback);
    void ExecuteCommand(std::string_view parameter, bool isQuery, std::string& reply, bool internal) override;
    // Records the current state text as the restore value of the undo step in progress.
    void SaveStateForUndo(bool internal);

private:
    std::string StateText();
    TStateCallback Callback_;
};

// The one way a handler refuses, with "ERROR", what its feature cannot carry out, keeping its value.
// Before: Refuses(self, value) is asked of a remote value (blanks trimmed, or as given when Untrimmed,
// for a Base that reads it so) before anything changes; setup lines and undo pass unless
// SetupLinesToo. A query that carries a refused value replies the value as it stands, or "ERROR"
// when QueriesToo. After: work that fails on its way calls Refuse(), and the reply becomes "ERROR".
template <class Base>
struct TRefusal {
    std::function<bool(const Base& self, std::string_view value)> Refuses;
    bool SetupLinesToo = false;
    bool QueriesToo = false;
    bool Untrimmed = false;
};

template <class Base>
class TRefusing : public Base {
public:
    template <class... TArgs>
    explicit TRefusing(TRefusal<Base> refusal, TArgs&&... args)
        : Base(std::forward<TArgs>(args)...), Refusal_(std::move(refusal)) {}

    void Refuse() { Failed_ = true; }

    void ExecuteCommand(std::string_view parameter, bool isQuery, std::string& reply, bool internal) override {
        const std::string_view value = Refusal_.Untrimmed ? parameter : TrimWhite(parameter);
        if ((!internal || Refusal_.SetupLinesToo) && Refusal_.Refuses && !value.empty() &&
            Refusal_.Refuses(*this, value)) {
            if (isQuery && !Refusal_.QueriesToo)
                Base::ExecuteCommand({}, true, reply, internal);
            else
                reply += "ERROR";
            return;
        }
        Failed_ = false;
        Base::ExecuteCommand(parameter, isQuery, reply, internal);
        if (Failed_ && !isQuery) reply = "ERROR";
        Failed_ = false;
    }

private:
    TRefusal<Base> Refusal_;
    bool Failed_ = false;
};

// Readers that answer 0 for an absent handler.
inline int GetItemIndex(const TRadioSwHandler* h) { return h ? h->GetItemIndex() : 0; }
inline bool GetOn(const TOnOffHandler* h) { return h ? h->GetOn() : false; }
inline std::uint32_t GetMask(const TCheckSwHandler* h) { return h ? h->GetMask() : 0; }

}  // namespace vt
