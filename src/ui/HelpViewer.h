#pragma once
// Help: the pages of the data root's "Help" folder opened in the desktop's browser, by context
// number (1 the contents), and the context-help click that finds the number of the control under the
// mouse.
#include <QPoint>
#include <QUrl>
#include <functional>
#include <string>
#include <utility>

class QWidget;

namespace vt {

class TUserDialogs;

inline constexpr int HelpContentsContext = 1;

class THelpViewer {
public:
    // Opens a URL in the desktop's browser; false when there is none.
    using TOpenUrl = std::function<bool(const QUrl&)>;
    // helpFile: the contents page, "Help/index.html" below the data root.
    THelpViewer(std::string helpFile, TUserDialogs& dialogs, TOpenUrl openUrl = {});

    void SetHelpFile(std::string helpFile) { HelpFile_ = std::move(helpFile); }
    // Shows the page of the context, or an error message naming what is missing.
    void ShowHelpContext(int context, QWidget* parent = nullptr);
    // The page of a context: the contents for context 1, else "<context>.html" beside it.
    std::string PageOf(int context) const;

private:
    std::string HelpFile_;
    TUserDialogs& Dialogs_;
    TOpenUrl OpenUrl_;
};

// Writes the program's own help pages into the folder of the help file where they are missing.
void InstallHelpPages(const std::string& helpFile);

// The help context of the control under the screen point: the deepest control there (disabled and
// hidden ones included, shown ones first; a button switcher's children by position) or its nearest parent that has one; 0 when
// none has.
int FindControlAtPoint(QWidget& form, const QPoint& globalPoint);

// Context-help mode of a window: the help cursor, and every click and key taken by the window until it
// ends.
void SetContextHelpCapture(QWidget& window, bool on);

}  // namespace vt
