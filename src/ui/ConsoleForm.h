#pragma once
// The console window: a command line with its history, Send and Exit, the log of replies and
// automation traffic, and the preview of a waveform reply.
#include <QWidget>
#include <cstddef>
#include <cstdint>
#include <string>

class QComboBox;
class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace vt {

class TConsoleSession;

class TfrmConsole : public QWidget {
public:
    explicit TfrmConsole(TConsoleSession& session, QWidget* parent = nullptr);
    ~TfrmConsole() override;

    // Send: runs the command line's text; the empty reply beeps.
    void Button1Click();
    // Exit: hides the window.
    void btnCloseClick() { hide(); }
    // Adds a line of automation traffic to the log.
    void AddLogLine(const std::string& line);

    QComboBox& ComboBox1() { return *ComboBox1_; }
    QPlainTextEdit& Memo1() { return *Memo1_; }
    QLabel& Image1() { return *Image1_; }
    QPushButton& Button1() { return *Button1_; }
    QPushButton& btnClose() { return *btnClose_; }
    int Beeps() const { return Beeps_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    // The log as it stands: only what was added since it was last shown, unless its front went.
    void ShowLog();
    // A burst of log lines reaches the widget once per turn of the event loop, and only while shown.
    void ScheduleShowLog();
    void ShowPreview();
    void ShowHistory();

    TConsoleSession& Session_;
    QGroupBox* GroupBox1_ = nullptr;
    QComboBox* ComboBox1_ = nullptr;
    QPushButton* Button1_ = nullptr;
    QPushButton* btnClose_ = nullptr;
    QPlainTextEdit* Memo1_ = nullptr;
    QLabel* Image1_ = nullptr;
    int Beeps_ = 0;
    std::size_t ShownLength_ = 0;     // how much of the log the widget shows
    std::uint64_t ShownTrims_ = ~std::uint64_t{0};
    bool ShowLogPosted_ = false;
};

}  // namespace vt
