#pragma once
// The TDR/TDT normalization wizard's dialog, a view of the run: its progress, the status line (green
// once the reference is ready) and OK, which the run enables when it has a result.
#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;

namespace vt {

class TShell;
class TTdrNormalization;

class TfrmTDR_TDT_Normalization : public QDialog {
public:
    TfrmTDR_TDT_Normalization(QWidget* mainWindow, TShell& shell, TTdrNormalization& run);
    ~TfrmTDR_TDT_Normalization() override;

    // Shows what the run holds now.
    void Refresh();

    QLabel* StatusLabel() const { return Status_; }
    QProgressBar* ProgressBar() const { return Progress_; }
    QPushButton* OkButton() const { return Ok_; }
    QPushButton* CancelButton() const { return Cancel_; }

protected:
    void reject() override;

private:
    TTdrNormalization& Run_;
    QProgressBar* Progress_ = nullptr;
    QLabel* Status_ = nullptr;
    QPushButton* Ok_ = nullptr;
    QPushButton* Cancel_ = nullptr;
};

}  // namespace vt
