#include <gtest/gtest.h>

#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "acq/PatternLengthList.h"
#include "core/CommandTree.h"
#include "core/Shell.h"
#include "core/TextFiles.h"
#include "core/UserServices.h"
#include "core/temp_folder.h"
#include "ui/UiTestSupport.h"
#include "ui/dialogs/PatternLengthListForm.h"

using namespace vt;

namespace {

struct TErrorsSeen : TUserServices {
    std::vector<std::string>* Seen;
    explicit TErrorsSeen(std::vector<std::string>& seen) : Seen(&seen) {}
    void ShowErrorDlg(const std::string& text) override { Seen->push_back(text); }
};

}  // namespace

// The user edits the list as at the bench: a refused length, an added one, the typical set, a
// deletion, then OK stores the list ascending and the reload reads it back.
TEST(PatternLengthListForm, EditsAndStoresTheList) {
    test::TempFolder folder;
    TShell shell;
    shell.Folders.InstallFolder = folder.Path().string() + "/";
    shell.SetCommandTree(CreateCommandTree());
    std::vector<std::string> errors;
    shell.SetUserServices(std::make_unique<TErrorsSeen>(errors));
    int reloads = 0;
    TfrmPatternLengthList form(shell, {511, 127}, [&reloads] { ++reloads; });
    form.show();
    EXPECT_EQ(form.Field().text(), "127") << "the trigger's pattern length";
    EXPECT_FALSE(form.DeleteButton().isEnabled());
    EXPECT_EQ(test::TextsThatDoNotFit(form), std::vector<std::string>{});

    form.Field().setText("30");
    emit form.Field().textEdited("30");
    EXPECT_FALSE(form.AddButton().isEnabled());
    form.AddButton().click();  // a click on the disabled button does nothing
    form.Field().setText("255");
    emit form.Field().textEdited("255");
    ASSERT_TRUE(form.AddButton().isEnabled());
    form.AddButton().click();
    EXPECT_EQ(form.List().item(1)->text(), "255   (2^8-1)");
    EXPECT_EQ(form.List().currentRow(), 1);
    form.AddTypicalButton().click();
    EXPECT_EQ(form.List().count(), 18) << "127, 255 and 511 were there already";
    form.List().setCurrentRow(0);
    EXPECT_TRUE(form.DeleteButton().isEnabled());
    form.DeleteButton().click();
    EXPECT_EQ(form.List().count(), 17);

    const QString shots = QDir::current().absoluteFilePath("screenshots");
    ASSERT_TRUE(QDir().mkpath(shots));
    ASSERT_TRUE(form.grab().save(shots + "/pattern_length_list.png", "PNG"));

    form.Field().setText("255   (2^8-1)");
    form.accept();
    EXPECT_EQ(reloads, 1);
    const std::vector<int> stored = ReadPatternLengthList(folder / PatternLengthListFile);
    ASSERT_EQ(stored.size(), 17u);
    EXPECT_EQ(stored.front(), 128);
    EXPECT_TRUE(errors.empty());

    // A list that cannot be stored is told; the file keeps what it had.
    std::filesystem::permissions(folder / PatternLengthListFile, std::filesystem::perms::owner_read);
    TfrmPatternLengthList blocked(shell, stored, {});
    blocked.DeleteAllButton().click();
    blocked.accept();
    EXPECT_EQ(errors, std::vector<std::string>{shell.LangStr("WriteFileError")});
    EXPECT_EQ(ReadPatternLengthList(folder / PatternLengthListFile), stored);
}
