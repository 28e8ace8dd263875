#include "link/InstrumentSelection.h"

#include <system_error>

#include "core/AsciiText.h"
#include "core/TextFiles.h"

namespace vt {

TInitDialogContent InitialisationDialogContent(int attempt, std::string_view instrumentName, bool demoAvailable) {
    const bool smart = IsSmartInstrumentName(instrumentName);
    using R = TInitDialogResult;
    TInitDialogContent c;
    if (attempt <= 1) {
        c.FormName = "Dialog1";
        c.Lines = {"SW didn't link with the Veltrane", "How do you want to continue your work?"};
        c.Buttons = {{"With Veltrane", R::Yes, smart, true, false},
                     {"Demo", R::No, demoAvailable, false, false},
                     {"Exit", R::Abort, true, false, true},
                     {"Without Instruments", R::Ignore, true, false, false}};
    } else if (attempt == 2) {
        c.FormName = "Dialog2";
        c.Lines = {"PC didn't recognise the Veltrane.", "Please check:",
                   "1. Is the Veltrane connected to PC via USB or LAN ports?", "2. Is the Veltrane turned ON?",
                   "3. Is the Veltrane is not used by another SW?"};
        c.Buttons = {{"Exit", R::Abort, true, false, true},
                     {"Yes", R::Yes, smart, true, false},
                     {"Without Instruments", R::Ignore, true, false, false}};
    } else {
        c.FormName = "Dialog3";
        c.Lines = {"PC didn't recognise the Veltrane"};
        c.Buttons = {{"Exit", R::Abort, true, true, true}};
    }
    return c;
}

std::string InstrumentNameOfDisplayText(std::string_view text) {
    const std::size_t open = text.find('[');
    if (open == std::string_view::npos) return std::string(text);
    const std::size_t close = text.find(']', open + 1);
    return std::string(text.substr(open + 1, close == std::string_view::npos ? std::string_view::npos : close - open - 1));
}

std::string InstrumentLabelOfDisplayText(std::string_view text) {
    return std::string(TrimWhite(text.substr(0, text.find('['))));
}

std::string CheckInstrumentAddress(const TInstrumentList& list, std::string_view text, std::string_view editedName,
                                   TIpAddress& address) {
    if (!ParseIpAddress(text, address)) return "Incorrect IP: " + std::string(text);
    for (int i = 0; i < list.Count(); ++i) {
        if (!editedName.empty() && SameText(list.Name(i), editedName)) continue;
        const TInstrumentProp& prop = list.Prop(i);
        if (prop.Kind == TInstrumentLinkKind::Tcp && SameIpAddress(prop.IpAddress, address))
            return "IP Address " + std::string(text) + " is used in the System";
    }
    return {};
}

namespace {

// A file name taken from a free label: no folder separators, no control characters.
std::string FileNameSafe(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '/' || u < ' ' || u == 0x7F) c = '_';
    }
    return out;
}

// One argument of a desktop entry's Exec key: quoted, with the characters the quoting reserves
// escaped and "%" doubled (a field code otherwise).
std::string ExecArgument(std::string_view text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') out += '\\';
        if (c == '%') out += '%';
        out += c;
    }
    return out + "\"";
}

// The value of a desktop entry's string key: escapes the backslash and keeps the entry on one line.
std::string EntryValue(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (c == '\\') out += "\\\\";
        else if (c == '\n') out += "\\n";
        else if (c == '\r') out += "\\r";
        else if (c == '\t') out += "\\t";
        else out += c;
    }
    return out;
}

}  // namespace

TInstrumentShortcut MakeInstrumentShortcut(std::string_view displayText, const std::filesystem::path& program,
                                           const std::filesystem::path& dataRoot) {
    const std::string label = FileNameSafe(InstrumentLabelOfDisplayText(displayText));
    std::string argument = InstrumentNameOfDisplayText(displayText);
    for (char& c : argument)
        if (c == ' ') c = '_';
    TInstrumentShortcut s;
    s.FileName = "VLT500 - " + label + ".desktop";
    std::string exec = ExecArgument(program.string());
    if (!dataRoot.empty()) exec += " --home " + ExecArgument(dataRoot.string());
    exec += " " + ExecArgument(argument);
    s.Text = "[Desktop Entry]\nType=Application\nVersion=1.0\nName=" + EntryValue("VLT500 - " + label) +
             "\nExec=" + EntryValue(exec) + "\nPath=" + EntryValue(program.parent_path().string()) +
             "\nTerminal=false\n";
    return s;
}

bool WriteInstrumentShortcut(const std::filesystem::path& folder, const TInstrumentShortcut& shortcut,
                             std::filesystem::path& written) {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec) return false;
    written = folder / shortcut.FileName;
    try {
        WriteFileAtomic(written, shortcut.Text);
    } catch (const std::exception&) {
        return false;
    }
    fs::permissions(written,
                    fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec | fs::perms::others_read |
                        fs::perms::others_exec,
                    fs::perm_options::replace, ec);
    return !ec;
}

}  // namespace vt
