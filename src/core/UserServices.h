#pragma once
// The questions and signals the program below the user interface puts to the user. The main window
// registers its implementation in the shell context; until then nothing is shown and every dialog is
// cancelled.
#include <functional>
#include <string>

namespace vt {

// A file-save dialog: the filter is "text|pattern|text|pattern..."; the index counts from 0.
struct TSaveDialogRequest {
    std::string Title;
    std::string Filter;
    int FilterIndex = 0;
    std::string Name;    // in: the current name; out: the chosen file's full path without its extension
    std::string Folder;  // in: the folder to start in; out: the chosen file's folder
};

class TUserServices {
public:
    virtual ~TUserServices() = default;

    virtual void Beep() {}
    // An error message with an OK button.
    virtual void ShowErrorDlg(const std::string& /*text*/) {}
    // An error box that holds nothing: shown and left open while the program goes on; while a box of
    // the same text is open, no second one opens.
    virtual void ShowNonModalError(const std::string& /*text*/) {}
    // The open box of that text closes: its cause has gone.
    virtual void CloseNonModalError(const std::string& /*text*/) {}
    // A question with OK and Cancel: true for OK.
    virtual bool ConfirmOkCancel(const std::string& /*text*/) { return false; }
    // A question with OK and Cancel that the program asks by itself (start-up, idle pass): nothing waits
    // for it. answered gets the answer once (true for OK), later or at once; here at once, as the
    // blocking question would give it.
    virtual void ConfirmOkCancelLater(const std::string& text, std::function<void(bool ok)> answered) {
        answered(ConfirmOkCancel(text));
    }
    // A question inside work a remote command asked for (a calibration's "connect the step and click
    // OK"): the script that sent the command stands for the operator, so where nobody can answer, OK's
    // answer is taken for it and logged; the work's own checks still fail a bad set-up. Where a screen
    // is seen it waits aside as the program's own question; here it is that question.
    virtual void ConfirmOkCancelForCommandLater(const std::string& text, std::function<void(bool ok)> answered) {
        ConfirmOkCancelLater(text, std::move(answered));
    }
    // True when the user chose a file (the request then holds the choice).
    virtual bool ExecSaveDialog(TSaveDialogRequest& /*request*/) { return false; }
    // The same as a file-open dialog: the chosen name keeps its extension; an empty name stays empty.
    virtual bool ExecOpenDialog(TSaveDialogRequest& /*request*/) { return false; }
    // A plain message box.
    virtual void ShowMessage(const std::string& /*text*/) {}
    // The main window's busy state (a wait cursor) around slow work; the calls nest.
    virtual void BeginBusyCursor() {}
    virtual void EndBusyCursor() {}
};

}  // namespace vt
