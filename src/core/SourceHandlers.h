#pragma once
// Choice of a signal source, which follows the signal on/off states: only sources that are on (and
// the last source, 17) are offered to the user, unless excluded.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/Handlers.h"

namespace vt {

class TSignalSourceSwHandler;

// The one object that tells the source choices that the signal on/off states changed. The acquisition
// library installs the question "is source s on"; until then no source is on.
class THandlerSignalEnablity {
public:
    THandlerSignalEnablity() = default;
    THandlerSignalEnablity(const THandlerSignalEnablity&) = delete;
    THandlerSignalEnablity& operator=(const THandlerSignalEnablity&) = delete;

    void SetSourceOnQuery(std::function<bool(int source)> query) { IsOn_ = std::move(query); }
    bool IsSourceOn(int source) const { return IsOn_ && IsOn_(source); }
    // The signal on/off states changed: every source choice recomputes its enabled sources.
    void Notify();

    void Follow(TSignalSourceSwHandler& handler);
    void Unfollow(TSignalSourceSwHandler& handler);

private:
    std::function<bool(int)> IsOn_;
    std::vector<TSignalSourceSwHandler*> Followers_;
};

struct TSourceOptions {
    [[no_unique_address]] TByName ByName_{};
    std::string Items{};
    int Initial = 0;
    std::uint32_t ExcludedMask = 0;
    THandlerCallback BeforeChange{};
    THandlerCallback AfterChange{};
};

class TSourceSwHandler : public THandler {
public:
    void UpdateMyColors() override;
    void ExecuteCommand(std::string_view parameter, bool isQuery, std::string& reply, bool internal) override;

    virtual bool SetSource(int index) = 0;
    virtual int GetSourceIndex() const = 0;

    const std::vector<std::string>& Items() const { return Items_; }
    std::uint32_t EnabledMask() const { return EnabledMask_; }
    std::uint32_t ExcludedMask() const { return ExcludedMask_; }
    // Set while the controls are told that the enabled sources changed.
    bool EnabledChanged() const { return Changed_; }
    // Set while the controls are told to recolour.
    bool ColorRefresh() const { return ColorRefresh_; }
    int FindItem(std::string_view name) const;
    // Whether the item is one this setting never takes (a command naming it is refused).
    bool IsExcluded(int index) const;

protected:
    explicit TSourceSwHandler(const TSourceOptions& options);
    virtual bool SetSourceCore(int index) = 0;

    std::vector<std::string> Items_;
    std::uint32_t EnabledMask_ = 0;
    std::uint32_t ExcludedMask_ = 0;
    bool Changed_ = false;
    bool ColorRefresh_ = false;
};

class TSignalSourceSwHandler : public TSourceSwHandler {
public:
    explicit TSignalSourceSwHandler(const TSourceOptions& options);
    ~TSignalSourceSwHandler() override;

    bool SetSource(int index) override;
    bool SetSourceFromSwitcher(int index);
    int GetSourceIndex() const override { return Source_; }
    int GetSource() const { return Source_; }

    // Recomputes the enabled sources from the signal on/off states.
    void UpdateEnabled();
    // Starts following the signal on/off states (called at registration).
    void FollowSignals(THandlerSignalEnablity& enablity);

protected:
    bool SetSourceCore(int index) override;

private:
    THandlerSignalEnablity* Enablity_ = nullptr;
    std::uint8_t Source_ = 0;
};

inline int GetSource(const TSignalSourceSwHandler* h) { return h ? h->GetSource() : 0; }

}  // namespace vt
