// Storing the current mask as a standard eye mask: the dialog's fields clean what is typed, OK asks
// first, the stored file is read-only, lists at its bit rate, allows margins when asked to and loads
// back the same polygons; a second store under the same name is refused and said.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <cmath>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "core/IniFiles.h"
#include "core/UserServices.h"
#include "core/temp_folder.h"
#include "serial/MaskStandards.h"
#include "serial/MaskTestSupport.h"
#include "ui/UiTestSupport.h"
#include "ui/dialogs/StdMaskStoreForm.h"

namespace vt::test {
namespace {

struct TAnswers : TUserServices {
    std::vector<std::string>* Questions;
    std::vector<std::string>* Errors;
    bool ConfirmOkCancel(const std::string& text) override {
        Questions->push_back(text);
        return true;
    }
    void ShowErrorDlg(const std::string& text) override { Errors->push_back(text); }
};

void Type(QLineEdit& edit, const QString& text) {
    edit.setText(text);
    emit edit.textEdited(text);
}

TEST(StdMaskStoreForm, StoresTheMaskReadOnlyAndRefusesASecondStore) {
    TempFolder folder;
    TMaskRig rig;
    std::vector<std::string> questions, errors;
    auto answers = std::make_unique<TAnswers>();
    answers->Questions = &questions;
    answers->Errors = &errors;
    rig.Shell.SetUserServices(std::move(answers));
    rig.Shell.Folders.StdMaskFolder = folder.Path().string() + "/";
    rig.Shell.Serial().RefreshStdMaskFamily();  // the shipped standards
    rig.Run("StdMask:MaskIndex 0");
    const TCurrentMask original = rig.Mask().Mask();
    ASSERT_EQ(original.MskNm, "STM-1/OC-3 Optical");
    const auto refresh = [&rig] { rig.Shell.Serial().RefreshStdMaskFamily(); };

    TfrmStdMaskStoreDlg form(rig.Shell, rig.Mask().Mask(), rig.Mask().Standards(), refresh);
    form.show();
    EXPECT_EQ(TextsThatDoNotFit(form), std::vector<std::string>{});
    EXPECT_EQ(form.FileName().text(), "Noname");
    EXPECT_EQ(form.Standard().currentText(), "SONET/SDH Optical (ITU-T G.957)");
    EXPECT_FALSE(form.OkButton().isEnabled());  // no mask name yet
    Type(form.MaskName(), "OC-48/STM-16 v1.0");
    EXPECT_EQ(form.FileName().text(), "OC-48_STM-16 v1_0");
    Type(form.BitRate(), "2.48832x9");
    EXPECT_EQ(form.BitRate().text(), "2.48832");
    Type(form.BitRate(), "2.4.8");
    EXPECT_EQ(form.BitRate().text(), "2.4");
    Type(form.BitRate(), "2.48832");
    form.BitRateUnit().setCurrentIndex(2);
    form.MarginsEnable().setChecked(true);
    ASSERT_TRUE(form.OkButton().isEnabled());
    SaveScreenshot(form, "std_mask_store.png");

    const std::filesystem::path file = form.TargetFile();
    form.accept();
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_EQ(questions, std::vector<std::string>{
                             "Save the mask \"OC-48/STM-16 v1.0\" (2.48832 Gbps) in the standard "
                             "\"SONET/SDH Optical (ITU-T G.957)\"?"});
    ASSERT_TRUE(errors.empty()) << errors[0];
    EXPECT_EQ(std::filesystem::status(file).permissions() & std::filesystem::perms::owner_write,
              std::filesystem::perms::none);
    const TMemIniFile_Dot ini(file);
    EXPECT_EQ(ini.ReadString("COMMON", "Type of Margins", ""), "POLAR");
    EXPECT_EQ(ini.ReadString("COMMON", "Margins Possible", ""), "YES");
    EXPECT_EQ(ini.ReadString("Polygon 1", "Vertex 1", ""), "0.15, 0.5");  // x1 of the hexagon

    // Listed after the two shipped masks; it loads back the same polygons and margins can be chosen.
    const TListOfMasksInCurrentStandard& masks = rig.Mask().StandardMasks();
    ASSERT_EQ(masks.Count(), 3);
    EXPECT_EQ(masks.At(2)->BitRate, 2.48832e9);
    rig.Run("StdMask:MaskIndex 2");
    const TCurrentMask& stored = rig.Mask().Mask();
    ASSERT_EQ(stored.MskNm, "OC-48/STM-16 v1.0");
    ASSERT_EQ(stored.PolygonCount, original.PolygonCount);
    for (int p = 0; p < original.PolygonCount; ++p) {
        const TMaskPolyRec& a = original.Polygons[static_cast<std::size_t>(p)];
        const TMaskPolyRec& b = stored.Polygons[static_cast<std::size_t>(p)];
        ASSERT_EQ(a.Count, b.Count) << p;
        for (std::size_t i = 0; i < a.Count; ++i) {
            EXPECT_LE(std::fabs(a.X[i] - b.X[i]), 1.0) << p << " " << i;
            EXPECT_LE(std::fabs(a.Y[i] - b.Y[i]), 1.0) << p << " " << i;
        }
    }
    EXPECT_FALSE(rig.Shell.CommandTree()->Root().FindHandler("StdMask:MarginsOn")->IsDisabled());

    TfrmStdMaskStoreDlg again(rig.Shell, rig.Mask().Mask(), rig.Mask().Standards(), refresh);
    again.show();
    Type(again.MaskName(), "OC-48/STM-16 v1.0");
    again.accept();
    EXPECT_NE(again.result(), QDialog::Accepted);
    EXPECT_EQ(errors, std::vector<std::string>{"Don't create mask file " + file.string()});
}

}  // namespace
}  // namespace vt::test
