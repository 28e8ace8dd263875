#include "ui/HelpViewer.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QWidget>
#include <filesystem>

#include "ui/UserDialogs.h"
#include "ui/controls/ButtonSwitchers.h"
#include "ui/controls/Switcher.h"

// Resources of a static library are registered by name, outside any namespace.
static void InitHelpResources() { Q_INIT_RESOURCE(help); }

namespace vt {

namespace {

constexpr const char* HelpPageNames[] = {"index.html", "1409.html", "117.html", "119.html", "121.html"};

int OwnHelpContext(QWidget* w) {
    if (auto* button = dynamic_cast<TMyGridButton*>(w)) return button->HelpContext();
    if (auto* sw = dynamic_cast<TRC_Switcher*>(w)) return sw->HelpContext();
    if (auto* panel = dynamic_cast<TRC_RightMenuPanel*>(w)) return panel->HelpContext();
    return 0;
}

// The topmost child at the point (in w's coordinates), disabled ones included. A hidden child counts
// only where no shown one is there: the hidden pages of a menu lie under the page shown.
QWidget* ChildAt(QWidget* w, const QPoint& local) {
    const QObjectList& children = w->children();
    for (bool hidden : {false, true}) {
        for (auto it = children.rbegin(); it != children.rend(); ++it) {
            auto* child = qobject_cast<QWidget*>(*it);
            if (child && !child->isWindow() && child->isHidden() == hidden && child->geometry().contains(local))
                return child;
        }
    }
    return nullptr;
}

}  // namespace

THelpViewer::THelpViewer(std::string helpFile, TUserDialogs& dialogs, TOpenUrl openUrl)
    : HelpFile_(std::move(helpFile)), Dialogs_(dialogs), OpenUrl_(std::move(openUrl)) {
    if (!OpenUrl_) OpenUrl_ = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
}

std::string THelpViewer::PageOf(int context) const {
    if (context == HelpContentsContext) return HelpFile_;
    return (std::filesystem::path(HelpFile_).parent_path() / (std::to_string(context) + ".html")).string();
}

void THelpViewer::ShowHelpContext(int context, QWidget* parent) {
    if (!std::filesystem::exists(HelpFile_)) {
        Dialogs_.ShowError(parent, QStringLiteral("Error opening Veltrane Help. May be help file is not found."));
        return;
    }
    const std::string page = PageOf(context);
    if (!std::filesystem::exists(page)) {
        Dialogs_.ShowError(parent, QStringLiteral("Unable to show help for context %1").arg(context));
        return;
    }
    if (!OpenUrl_(QUrl::fromLocalFile(QString::fromStdString(page))))
        Dialogs_.ShowError(parent, QStringLiteral("Veltrane Help requires a web browser to be installed on your "
                                                  "computer."));
}

void InstallHelpPages(const std::string& helpFile) {
    InitHelpResources();
    const QString folder = QString::fromStdString(std::filesystem::path(helpFile).parent_path().string());
    if (!QDir().mkpath(folder)) return;
    for (const char* name : HelpPageNames) {
        const QString target = folder + QLatin1Char('/') + QLatin1String(name);
        if (QFile::exists(target)) continue;
        if (QFile::copy(QStringLiteral(":/help/") + QLatin1String(name), target))
            QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    }
}

int FindControlAtPoint(QWidget& form, const QPoint& globalPoint) {
    QWidget* found = &form;
    for (QWidget* child = ChildAt(found, found->mapFromGlobal(globalPoint)); child;
         child = ChildAt(found, found->mapFromGlobal(globalPoint)))
        found = child;
    for (QWidget* w = found; w; w = w == &form ? nullptr : w->parentWidget())
        if (const int context = OwnHelpContext(w); context > 0) return context;
    return 0;
}

void SetContextHelpCapture(QWidget& window, bool on) {
    if (on) {
        window.setCursor(Qt::WhatsThisCursor);
        window.grabMouse();
        window.grabKeyboard();
    } else {
        window.unsetCursor();
        window.releaseMouse();
        window.releaseKeyboard();
    }
}

}  // namespace vt
