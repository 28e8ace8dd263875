#pragma once
// The pattern-length list dialog: the lengths the pattern-trigger search tries, edited as a sorted
// list under a text field; OK takes the field's length as the trigger's and stores a changed list.
#include <QDialog>
#include <functional>
#include <vector>

#include "acq/PatternLengthList.h"

class QLineEdit;
class QListWidget;
class QPushButton;

namespace vt {

class TShell;

class TfrmPatternLengthList : public QDialog {
public:
    // values: the list as loaded; reload runs after a changed list was written (the caller reads it back).
    TfrmPatternLengthList(TShell& shell, const std::vector<int>& values, std::function<void()> reload,
                          QWidget* parent = nullptr);

    QLineEdit& Field() const { return *Field_; }
    QListWidget& List() const { return *List_; }
    QPushButton& AddButton() const { return *Add_; }
    QPushButton& AddTypicalButton() const { return *AddTypical_; }
    QPushButton& DeleteButton() const { return *Delete_; }
    QPushButton& DeleteAllButton() const { return *DeleteAll_; }
    const TPatternLengthItems& Items() const { return Items_; }

    void accept() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void Typed();
    void Selected();
    void AddTyped();
    void AddTypical();
    void DeleteSelected();
    void DeleteAll();
    void Fill(int select);
    void ShowEmptyWhenEmpty();

    TShell& Shell_;
    TPatternLengthItems Items_;
    std::function<void()> Reload_;
    QLineEdit* Field_;
    QListWidget* List_;
    QPushButton* Add_;
    QPushButton* AddTypical_;
    QPushButton* Delete_;
    QPushButton* DeleteAll_;
};

}  // namespace vt
