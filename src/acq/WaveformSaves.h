#pragma once
// Saving a source's record to a waveform file with the user's messages: the refusal of a source that
// is off, the hint naming the file, the error that names a file that could not be written. The
// automatic saves of the acquisition use them, and so may the save menu and the mask test.
#include <functional>
#include <string>

namespace vt {

class TShell;

// Runs before the error is shown, so that a caller can stop what would fail again, and answers whether
// the error is to be shown. The acquisition's own saves (the mask and limit tests, the automatic save)
// pass one: their error is then the program's own message (hint, log, a box that holds nothing), not a
// dialog.
using TBeforeSaveError = std::function<bool(const std::string& text)>;

// The errors of saves that repeat with every failed waveform, said once per cause: a text said already
// is kept quiet until a save has succeeded, so a full disk is reported once and the next failure after
// it is freed is saved again.
class TSaveErrorOnce {
public:
    // True when text is to be said.
    bool First(const std::string& text);
    void Succeeded() { Said_.clear(); }

private:
    std::string Said_;
};

// The binary form; false (after the dialog) when the source is off or the file was not written.
bool SaveWaveformBinary(TShell& shell, int source, const std::string& path, const TBeforeSaveError& beforeError = {});
// The text form, verbose or values only.
bool SaveWaveformText(TShell& shell, int source, const std::string& path, bool yOnly,
                      const TBeforeSaveError& beforeError = {});

}  // namespace vt
