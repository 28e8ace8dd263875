#pragma once
// The pattern-length search's progress dialog: a progress bar and Cancel, modal while the search runs.
#include <QDialog>

class QProgressBar;
class QPushButton;

namespace vt {

class TPatternSearch;

class TfrmFindPatternTrig : public QDialog {
public:
    static constexpr int FormWidth = 295;
    static constexpr int FormHeight = 56;

    TfrmFindPatternTrig(QWidget* parent, TPatternSearch& search);

    QProgressBar& ProgressBar() const { return *Progress_; }
    QPushButton& CancelButton() const { return *Cancel_; }
    void SetProgress(int position);

private:
    QProgressBar* Progress_;
    QPushButton* Cancel_;
};

}  // namespace vt
