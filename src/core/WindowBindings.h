#pragma once
// What the settings units ask of the main window: which setting the strip's quick edits show, and
// that an open side menu of a kind follows a change. The window implements it; without a window the
// shell holds none and nothing is asked.
#include <string>

#include "core/MenuKinds.h"

namespace vt {

class TWindowBindings {
public:
    virtual ~TWindowBindings() = default;

    // The scale and offset edits of channel 1 or 2.
    virtual void BindChannelScaleEdit(int channelNumber, const std::string& header) = 0;
    virtual void BindChannelOffsetEdit(int channelNumber, const std::string& header) = 0;
    // The horizontal-scale edit, with the caption its field shows.
    virtual void BindHorizontalScaleEdit(const std::string& header, const std::string& caption) = 0;
    virtual void BindDelayEdit(const std::string& header) = 0;
    // The trigger's level edit: the external level or the internal clock period.
    virtual void BindTrigLevelEdit(const std::string& header) { (void)header; }
    // An open side menu of the kind, in either slot, shows the current settings again.
    virtual void RefreshSideMenu(TMenuKind kind) = 0;
    // An open side menu of the kind shows its first page; a closed one opens there next time.
    virtual void ResetMenuPage(TMenuKind kind) { (void)kind; }
};

}  // namespace vt
