#pragma once
// Reading a setting by its header, for a unit that must not depend on the feature that registers it:
// an absent setting (feature not built, no command tree) answers the fallback.
#include <string_view>

#include "core/CommandTree.h"

namespace vt {

template <class H>
H* FindSetting(TCommandTree* tree, std::string_view path) {
    return tree ? dynamic_cast<H*>(tree->Root().FindHandler(path)) : nullptr;
}

// A numeric setting's value.
inline double ReadNumberSetting(TCommandTree* tree, std::string_view path, double fallback) {
    const auto* h = FindSetting<TEditHandler>(tree, path);
    return h ? h->GetValueAsDouble() : fallback;
}

// A choice's item index.
inline int ReadItemSetting(TCommandTree* tree, std::string_view path, int fallback) {
    const auto* h = FindSetting<TRadioSwHandler>(tree, path);
    return h ? h->GetItemIndex() : fallback;
}

inline bool ReadOnOffSetting(TCommandTree* tree, std::string_view path, bool fallback) {
    const auto* h = FindSetting<TOnOffHandler>(tree, path);
    return h ? h->GetOn() : fallback;
}

}  // namespace vt
