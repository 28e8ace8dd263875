#include "ui/VeltraneApplication.h"

#include <QFont>

#include "core/ProgramLog.h"

namespace vt {

namespace {

// An error nothing could show goes to the program's log, as every message of the program's own does.
void LogUnhandled(const std::string& message) { LogProgramLine("Unhandled error: " + message); }

void LogUnhandled(const std::string& message, std::exception_ptr whileReporting) {
    LogUnhandled(message + "; while reporting it: " + ExceptionMessage(whileReporting));
}

}  // namespace

TVeltraneApplication::TVeltraneApplication(int& argc, char** argv) : QApplication(argc, argv) {
    // The forms were laid out for this font; the desktop's default is larger and cuts their captions.
    setFont(QFont(QStringLiteral("Liberation Sans"), 8));
}

bool TVeltraneApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        DeliverException(std::current_exception());
    }
    return false;
}

void TVeltraneApplication::DeliverException(std::exception_ptr error) {
    const std::string message = ExceptionMessage(error);
    if (!OnException) {
        LogUnhandled(message);
        return;
    }
    try {
        OnException(message);
    } catch (...) {
        // The error dialog itself failed: there is nowhere left to show it.
        LogUnhandled(message, std::current_exception());
    }
}

void TVeltraneApplication::DeliverProgramException(std::exception_ptr error) {
    if (!OnProgramException) {
        DeliverException(error);
        return;
    }
    const std::string message = ExceptionMessage(error);
    try {
        OnProgramException(message);
    } catch (...) {
        LogUnhandled(message, std::current_exception());
    }
}

std::string ExceptionMessage(std::exception_ptr error) {
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "Unknown exception";
    }
}

void GuardedCall(const std::function<void()>& fn) {
    try {
        fn();
    } catch (...) {
        if (auto* app = dynamic_cast<TVeltraneApplication*>(QCoreApplication::instance())) {
            app->DeliverException(std::current_exception());
        } else {
            LogUnhandled(ExceptionMessage(std::current_exception()));
        }
    }
}

void GuardedProgramCall(const std::function<void()>& fn) {
    try {
        fn();
    } catch (...) {
        if (auto* app = dynamic_cast<TVeltraneApplication*>(QCoreApplication::instance())) {
            app->DeliverProgramException(std::current_exception());
        } else {
            LogUnhandled(ExceptionMessage(std::current_exception()));
        }
    }
}

}  // namespace vt
