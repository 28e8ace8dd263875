#pragma once
// Reading and writing settings by header, for settings whose feature may not be registered: an absent
// setting reads as the value the caller gives and takes no writes.
#include <string_view>

#include "core/CommandTree.h"

namespace vt {

// The handler at path when it is of class T, else none (also without a tree).
template <class T>
T* FindSetting(TCommandTree* tree, std::string_view path) {
    return tree ? dynamic_cast<T*>(tree->Resolve(path)) : nullptr;
}

// A numeric setting's value.
inline double ReadRealSetting(TCommandTree* tree, std::string_view path, double absent) {
    const auto* h = FindSetting<TEditHandler>(tree, path);
    return h ? h->GetValueAsDouble() : absent;
}

// The index of a choice or of a source choice.
inline int ReadChoiceSetting(TCommandTree* tree, std::string_view path, int absent) {
    if (const auto* h = FindSetting<TRadioSwHandler>(tree, path)) return h->GetItemIndex();
    if (const auto* h = FindSetting<TSourceSwHandler>(tree, path)) return h->GetSourceIndex();
    return absent;
}

inline std::uint32_t ReadMaskSetting(TCommandTree* tree, std::string_view path, std::uint32_t absent) {
    const auto* h = FindSetting<TCheckSwHandler>(tree, path);
    return h ? h->GetMask() : absent;
}

// Sets a numeric setting as the program; nothing when it is absent.
inline void WriteRealSetting(TCommandTree* tree, std::string_view path, double value) {
    if (auto* h = FindSetting<TEditHandler>(tree, path)) h->SetValue(value);
}

inline void WriteChoiceSetting(TCommandTree* tree, std::string_view path, int index) {
    if (auto* h = FindSetting<TRadioSwHandler>(tree, path)) h->SetItemIndex(index);
}

inline bool ReadOnOffSetting(TCommandTree* tree, std::string_view path, bool absent) {
    const auto* h = FindSetting<TOnOffHandler>(tree, path);
    return h ? h->GetOn() : absent;
}

}  // namespace vt
