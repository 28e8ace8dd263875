#pragma once
// What the instrument dialogs decide, apart from their widgets: the start-up dialogs' texts and
// buttons, the instrument name of a display text, the check of an edited address and the desktop
// shortcut of a start instrument.
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "link/InstrumentConnection.h"

namespace vt {

inline constexpr std::string_view kInitialisationCaption = " Initialisation...";

struct TInitDialogButton {
    std::string Caption;
    TInitDialogResult Result = TInitDialogResult::Abort;
    bool Enabled = true;
    bool Default = false;
    bool Cancel = false;  // Escape and the window's close press it
};

struct TInitDialogContent {
    std::string FormName;  // "Dialog1" to "Dialog3"
    std::vector<std::string> Lines;
    std::vector<TInitDialogButton> Buttons;
};

// The dialog of the attempt (1, 2, then 3 for every later one) for an instrument of that name.
TInitDialogContent InitialisationDialogContent(int attempt, std::string_view instrumentName, bool demoAvailable);

// The instrument name of a display text: between "[" and "]", or the whole text without a "[".
std::string InstrumentNameOfDisplayText(std::string_view text);
// The label of a display text: before "[" (the whole text without one), trimmed.
std::string InstrumentLabelOfDisplayText(std::string_view text);

// The address typed for a LAN entry: empty when it may be stored (address then holds it), else the
// message. A used address is refused whether adding or editing (editedName: the entry being edited,
// whose own address does not count), since two names on one address would let two copies drive one
// instrument.
std::string CheckInstrumentAddress(const TInstrumentList& list, std::string_view text, std::string_view editedName,
                                   TIpAddress& address);

// The desktop shortcut that starts the program on an instrument of the list.
struct TInstrumentShortcut {
    std::string FileName;  // "VLT500 - " + label + ".desktop"
    std::string Text;      // the desktop entry
};
// dataRoot: the data root when it is not the default one (empty otherwise), so the shortcut reads
// the same instrument list.
TInstrumentShortcut MakeInstrumentShortcut(std::string_view displayText, const std::filesystem::path& program,
                                           const std::filesystem::path& dataRoot);
// Writes the shortcut into folder (created when missing) as an executable file; false on failure.
bool WriteInstrumentShortcut(const std::filesystem::path& folder, const TInstrumentShortcut& shortcut,
                             std::filesystem::path& written);

}  // namespace vt
