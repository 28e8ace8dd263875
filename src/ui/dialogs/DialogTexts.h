#pragma once
// The language text of a key for the dialogs: the table's text, else the built-in English one.
#include <QString>
#include <string_view>

#include "core/LanguageState.h"
#include "core/Shell.h"

namespace vt {

inline QString DialogText(TShell& shell, std::string_view key, std::string_view builtIn) {
    const std::string* text = shell.Language().Strings().Find(key);
    const std::string_view chosen = text ? std::string_view(*text) : builtIn;
    return QString::fromUtf8(chosen.data(), static_cast<qsizetype>(chosen.size()));
}

}  // namespace vt
