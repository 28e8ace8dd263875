#include "ui/VeltraneApplication.h"

#include <QFont>
#include <QtGlobal>

namespace vt {

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
        qWarning("Unhandled error: %s", message.c_str());
        return;
    }
    try {
        OnException(message);
    } catch (...) {
        // The error dialog itself failed: there is nowhere left to show it.
        qWarning("Unhandled error: %s; while reporting it: %s", message.c_str(),
                 ExceptionMessage(std::current_exception()).c_str());
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
        qWarning("Unhandled error: %s; while reporting it: %s", message.c_str(),
                 ExceptionMessage(std::current_exception()).c_str());
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
            qWarning("Unhandled error: %s", ExceptionMessage(std::current_exception()).c_str());
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
            qWarning("Unhandled error: %s", ExceptionMessage(std::current_exception()).c_str());
        }
    }
}

}  // namespace vt
