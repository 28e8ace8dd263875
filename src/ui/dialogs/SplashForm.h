#pragma once
// The splash screen of the start-up: the program's version and a status line.
#include <QWidget>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace vt {

class TSplashForm : public QWidget {
public:
    static constexpr int ClientWidth = 442;
    static constexpr int ClientHeight = 330;

    explicit TSplashForm(QWidget* parent = nullptr);
    // Sets the status line and paints it at once.
    void SetStatus(const QString& status);
    QString Status() const;
    QString VersionLine() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QLabel* Picture_;
    QLabel* Status_;
    QPlainTextEdit* Version_;
    QPushButton* Button_;
};

}  // namespace vt
