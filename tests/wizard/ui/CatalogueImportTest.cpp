// A whole catalogue import through the window: the Excel and text kinds of
// step 1 and the settings dialog's flat-file frame reach the importer.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QCheckBox>
#include <filesystem>

#include "WizardHarness.h"
#include "support/TestEnv.h"

namespace qdt::wizard::ui::testing {
namespace {

struct Kind {
    const char* caption;
    const char* box;
    const char* file;
};

class WizardCatalogueImport : public ::testing::TestWithParam<Kind> {};

TEST_P(WizardCatalogueImport, ImportsTheDemoCatalogueWithItsImages) {
    const Kind& kind = GetParam();
    const std::string shop = SqliteShop("5.104", true);
    const std::string uploads = test::TempDir() + "/uploads";
    std::filesystem::create_directories(uploads);
    Wizard w;
    w.Next();
    w.Choose("cboStep1Type", kind.caption);
    w.Type(kind.box, std::string(QDT_DEMO_CATALOGUE) + "/" + kind.file);
    w.Next();
    w.Choose("cboStep2Type", "SQLite Database");
    w.Type("txtSQLiteFile", shop);
    w.Next();
    ASSERT_TRUE(w.WaitForWork());
    ASSERT_EQ(w.Buttons(), "+++") << w.Text("txtConnect");

    w.InSettingsDialog([&](QDialog& dialog) {
        dialog.findChild<QCheckBox*>(QStringLiteral("chkFlatFileCopyImages"))->setChecked(true);
        dialog.findChild<QLineEdit*>(QStringLiteral("txtFlatFileSourceDir"))
            ->setText(QString::fromStdString(std::string(QDT_DEMO_CATALOGUE) + "/images"));
        dialog.findChild<QLineEdit*>(QStringLiteral("txtFlatFileDestinDir"))->setText(QString::fromStdString(uploads));
        QTest::mouseClick(dialog.findChild<QPushButton*>(QStringLiteral("cmdOK")), Qt::LeftButton);
    });

    w.Next();
    ASSERT_TRUE(w.WaitForWork());
    EXPECT_THAT(w.Text("txtStep2"), ::testing::EndsWith("\n\nData Transfer Successful!")) << w.Text("txtStep2");
    EXPECT_EQ(CountRows(shop, "tblQuillmartVersions"), 5);
    EXPECT_EQ(CountRows(shop, "tblQuillmartProdtype"), 4);
    EXPECT_TRUE(std::filesystem::exists(uploads + "/images_products/2.PNG"));
    EXPECT_TRUE(std::filesystem::exists(uploads + "/images_versions/1.png"));
}

INSTANTIATE_TEST_SUITE_P(Kinds, WizardCatalogueImport,
                         ::testing::Values(Kind{"Excel Spreadsheet (Catalogue only)", "txtExcelFile", "catalogue.xlsx"},
                                           Kind{"Text File (Catalogue only)", "txtCSVFile", "catalogue.csv"}));

}  // namespace
}  // namespace qdt::wizard::ui::testing
