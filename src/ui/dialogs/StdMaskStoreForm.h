#pragma once
// The store-as-standard dialog: the current mask written as a standard eye mask into a standard's
// folder under a name, a file name and a bit rate, read-only; the standards are read again after.
#include <QDialog>
#include <functional>
#include <string>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace vt {

class TShell;
class TCurrentMask;
class TListOfStandards;

class TfrmStdMaskStoreDlg : public QDialog {
public:
    // refresh runs after every store tried (it reloads the standards and the chosen one's masks).
    TfrmStdMaskStoreDlg(TShell& shell, const TCurrentMask& mask, const TListOfStandards& standards,
                        std::function<void()> refresh, QWidget* parent = nullptr);

    QLineEdit& MaskName() const { return *MaskName_; }
    QLineEdit& FileName() const { return *FileName_; }
    QLineEdit& BitRate() const { return *BitRate_; }
    QComboBox& BitRateUnit() const { return *Unit_; }
    QComboBox& Standard() const { return *Standard_; }
    QCheckBox& MarginsEnable() const { return *Margins_; }
    QPushButton& OkButton() const { return *Ok_; }
    // The file OK writes.
    std::string TargetFile() const;

    void accept() override;

private:
    void MaskNameTyped();
    void FileNameTyped();
    void BitRateTyped();
    void UpdateOk();
    // The typed rate with a lone leading or trailing "." read as "0.".
    std::string RateNumber() const;

    TShell& Shell_;
    const TCurrentMask& Mask_;
    const TListOfStandards& Standards_;
    std::function<void()> Refresh_;
    bool FileNameEdited_ = false;
    QLineEdit* MaskName_;
    QLineEdit* FileName_;
    QLineEdit* BitRate_;
    QComboBox* Unit_;
    QComboBox* Standard_;
    QCheckBox* Margins_;
    QPushButton* Ok_;
};

}  // namespace vt
