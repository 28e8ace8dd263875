#pragma once
// Choices of a source: only the sources the handler enables are offered, each in its own colours.
#include "ui/controls/ListBoxSwitcher.h"

namespace vt {

class TSourceSwHandler;

class TRC_SourceSwitcher : public TRC_ListSwitcherBase {
public:
    static constexpr int MaxDropDownCount = 255;

    explicit TRC_SourceSwitcher(QWidget* parent = nullptr);

    int DropDownCount() const { return DropDownCount_; }
    void SetDropDownCount(int count);

    void CheckHandler() override;
    // Fill the list and colour its items.
    virtual void FillItems() = 0;
    virtual void UpdateColors() = 0;

protected:
    TSourceSwHandler* SourceHandler() const;
    // Hides the sources the handler does not enable and fits the drop-down to the rest.
    void ApplyEnabledSources();
    void ListChanged(int index) override;

private:
    int DropDownCount_ = ListSwitcherDropDownCount;
};

// The signal sources, with the captions and colours the kit holds.
class TRC_SignalSourceSwitcher : public TRC_SourceSwitcher {
public:
    // The text and background of the last source.
    static constexpr TColor LastTextColor{0x00FFFF};
    static constexpr TColor LastBackColor{0x0000FF};
    // A source's text colour when the kit has no colour callback.
    static constexpr TColor PlainTextColor{0x025FA3};

    using TRC_SourceSwitcher::TRC_SourceSwitcher;

    void UpdateFromHandler() override;
    void CheckHandler() override;
    void FillItems() override;
    void UpdateColors() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    // True when the list does not hold the kit's sources (filled before the kit had them).
    bool ItemsStale() const;
};

}  // namespace vt
