#pragma once
// The application object: no exception crosses the event loop; each one is handed to OnException.
#include <QApplication>
#include <exception>
#include <functional>
#include <string>

namespace vt {

class TVeltraneApplication : public QApplication {
public:
    TVeltraneApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;

    // Receives the message of every exception caught at an entry from the event loop.
    std::function<void(const std::string& message)> OnException;
    // Hands the current exception to OnException (or to the log when none is set).
    void DeliverException(std::exception_ptr error);
    // The same for an exception of the program's own work (the idle pass, the main timers), which no
    // person waits on: OnProgramException where set, else OnException.
    std::function<void(const std::string& message)> OnProgramException;
    void DeliverProgramException(std::exception_ptr error);
};

// The message of an exception.
std::string ExceptionMessage(std::exception_ptr error);

// Runs fn; an exception goes to the application's OnException instead of the caller.
void GuardedCall(const std::function<void()>& fn);
// The same for the program's own work: the exception goes to OnProgramException.
void GuardedProgramCall(const std::function<void()>& fn);

}  // namespace vt
