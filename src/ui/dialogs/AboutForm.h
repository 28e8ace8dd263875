#pragma once
// The About box: the program's version, the maker and the instrument, fading in when shown and out
// before it closes.
#include <QDialog>
#include <QTimer>
#include <functional>
#include <string>

class QLabel;
class QPushButton;

namespace vt {

struct TAboutTexts {
    std::string InstrumentName;  // "About " + this is the caption
    std::string KindName;
    bool HasOptLAN = false;
};

class TAboutForm : public QDialog {
public:
    static constexpr int StartAlpha = 22;
    static constexpr int MaxAlpha = 233;
    static constexpr int TickMs = 10;

    // The two buttons run these; without one its button stays disabled.
    std::function<void()> ShowInstrumentInfo;
    std::function<void()> ShowTcpIpProperties;

    explicit TAboutForm(const TAboutTexts& texts, QWidget* parent = nullptr);
    // Enables the buttons whose dialogs exist; called before showing.
    void PrepareButtons();

    int Alpha() const { return Alpha_; }
    bool Closing() const { return Closing_; }
    // One tick of the fading timer.
    void FadeTick();

    QLabel& VersionLabel() const { return *Version_; }
    QLabel& ShellLabel() const { return *Shell_; }
    QPushButton& InfoButton() const { return *Info_; }
    QPushButton& TcpIpButton() const { return *TcpIp_; }
    QPushButton& OkButton() const { return *Ok_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void done(int result) override;

private:
    void SetAlpha(int alpha);

    QTimer Fade_;
    int Alpha_ = StartAlpha;
    bool Closing_ = false;
    int Result_ = 0;
    QLabel* Version_;
    QLabel* Shell_;
    QPushButton* Info_;
    QPushButton* TcpIp_;
    QPushButton* Ok_;
};

}  // namespace vt
