#include "wizard/ui/FrmTables.h"

#include <gmock/gmock.h>

#include <QCheckBox>
#include <QGroupBox>
#include <QListWidget>
#include <filesystem>

#include "WizardHarness.h"
#include "data/ConversionSettings.h"
#include "data/Detection.h"
#include "support/TestEnv.h"
#include "wizard/ui/FolderBrowser.h"

namespace qdt::wizard::ui::testing {
namespace {

data::ConversionSettings Settings(const char* system, float version, const std::string& sourceDatabase = "",
                                  const std::string& destinationDatabase = "") {
    data::ConnectionProfile source, destination;
    source.SystemName = system;
    source.Version = version;
    source.Database = sourceDatabase;
    destination.Database = destinationDatabase;
    data::ConversionSettings settings;
    data::PrepareConversionSettings(settings, source, destination);
    return settings;
}

// The frames the dialog shows, of the five it holds.
std::string ShownFrames(const QWidget& dialog) {
    std::string shown;
    for (const char* name : {"frQuillmart", "frVPASP", "frActinic", "frComersus", "frExcel"})
        if (Child<QGroupBox>(dialog, name)->isVisibleTo(&dialog)) shown += name;
    return shown;
}

int Ticked(const QListWidget* list) {
    int n = 0;
    for (int i = 0; i < list->count(); ++i) n += list->item(i)->checkState() == Qt::Checked;
    return n;
}

// The user moves to an entry and presses the space bar, which toggles its tick.
void ToggleEntry(QListWidget* list, int row) {
    list->setCurrentRow(row, QItemSelectionModel::NoUpdate);
    QTest::keyClick(list, Qt::Key_Space);
}

TEST(FrmTablesQuillmart, ShowsTheSourcesListsAllSelected) {
    struct Case {
        float version;
        int tables, compared;
        const char* lastCompared;
        std::vector<std::string> jobs;
    };
    const Case cases[] = {
        {4.6f, 19, 2, "tblQuillmartLanguageStrings",
         {"Add Administrator Login", "Add Downloadable Shipping Rate", "Add News Placeholders For New Languages"}},
        {5.1f, 27, 6, "tblQuillmartLanguageStrings5", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.version);
        data::ConversionSettings settings = Settings(data::kSystemQuillmart, c.version);
        FrmTables dialog(nullptr, settings, data::kSystemQuillmart);
        EXPECT_EQ(dialog.windowTitle(), "Customize Conversion Procedure");
        EXPECT_EQ(ShownFrames(dialog), "frQuillmart");
        EXPECT_EQ(Child<QGroupBox>(dialog, "frQuillmart")->title(), "Quillmart to Quillmart Conversion Settings");
        auto* litCopy = Child<QListWidget>(dialog, "litCopy");
        auto* litCompare = Child<QListWidget>(dialog, "litCompare");
        auto* litJob = Child<QListWidget>(dialog, "litJob");
        EXPECT_EQ(Ticked(litCopy), c.tables);
        EXPECT_EQ(litCopy->item(0)->text(), "tblQuillmartAffiliateLog");
        ASSERT_EQ(Ticked(litCompare), c.compared);
        EXPECT_EQ(litCompare->item(c.compared - 1)->text().toStdString(), c.lastCompared);
        ASSERT_EQ(litJob->count(), static_cast<int>(c.jobs.size()));
        for (int i = 0; i < litJob->count(); ++i) EXPECT_EQ(litJob->item(i)->text().toStdString(), c.jobs[i]);
        EXPECT_EQ(Ticked(litJob), litJob->count());
        // The first table is current, without being picked out.
        EXPECT_EQ(litCopy->currentRow(), 0);
        EXPECT_TRUE(litCopy->selectedItems().isEmpty());
    }
}

TEST(FrmTablesQuillmart, ShowsOverTheMainWindowAt400TwipsWithNothingClipped) {
    QWidget owner;
    owner.setGeometry(120, 90, 431, 344);
    owner.show();
    data::ConversionSettings settings = Settings(data::kSystemQuillmart, 4.6f);  // the longest job name
    FrmTables dialog(&owner, settings, data::kSystemQuillmart);
    InModal([&] { return dialog.ShowModal(); }, [&owner](QDialog& d) {
        EXPECT_TRUE(d.isModal());
        EXPECT_EQ(d.frameGeometry().topLeft(), owner.frameGeometry().topLeft() + QPoint(27, 27));
        EXPECT_TRUE(d.width() >= 501 && d.height() >= 363);
        for (const char* name : {"cmdOK", "cmdCancel", "litCopy", "litCompare", "litJob", "frQuillmart"}) {
            const QWidget* w = Child<QWidget>(d, name);
            EXPECT_TRUE(d.rect().contains(QRect(w->mapTo(&d, QPoint(0, 0)), w->size()))) << name;
            EXPECT_GE(w->width(), w->minimumSizeHint().width()) << name;
            if (const auto* list = qobject_cast<const QListWidget*>(w)) {
                EXPECT_GE(list->viewport()->width(), list->sizeHintForColumn(0)) << name << " cuts its entries short";
                EXPECT_GE(list->viewport()->height(), 3 * list->sizeHintForRow(0)) << name;
            }
        }
        d.accept();
    });
}

class FrmTablesCatalogue : public ::testing::Test {
protected:
    void SetUp() override {
        for (const std::string& folder : {shop_, uploads_}) std::filesystem::create_directories(folder);
    }
    void TearDown() override { SetFolderBrowser({}); }

    std::string root_ = test::TempDir(), shop_ = root_ + "/shop", uploads_ = root_ + "/uploads";
};

TEST_F(FrmTablesCatalogue, EachSystemShowsItsOwnFrameAndRecord) {
    struct Case {
        const char *system, *frame, *part, *caption, *checkCaption, *sourceLabel;
        data::ImageSystem index;
    };
    const Case cases[] = {
        {"VPASP", "frVPASP", "VPASP", "VPASP to Quillmart Conversion Settings", "Copy Images from VPASP to Quillmart",
         "Source (VPASP Folder):", data::kImagesVpasp},
        {"Actinic", "frActinic", "Actinic", "Actinic to Quillmart Conversion Settings",
         "Copy Images from Actinic to Quillmart", "Source Actinic Store Folder):", data::kImagesActinic},
        {"Comersus", "frComersus", "Comersus", "Comercsus to Quillmart Conversion Settings",
         "Copy Images from Comersus to Quillmart", "Source (Comersus Store Folder):", data::kImagesComersus},
        {"Flat File", "frExcel", "FlatFile", "Excel / Text File To Quillmart Conversion Settings", "Copy Images",
         "Source Image Directory:", data::kImagesFlatFile},
    };
    data::ConversionSettings settings;
    for (int i = 0; i < 4; ++i)
        settings.ImageCopySettings[i] = {i % 2 == 0, "/src/" + std::to_string(i), "/dst/" + std::to_string(i)};

    for (const Case& c : cases) {
        SCOPED_TRACE(c.system);
        FrmTables dialog(nullptr, settings, c.system);
        const std::string part = c.part, index = std::to_string(c.index);
        EXPECT_EQ(ShownFrames(dialog), c.frame);
        EXPECT_EQ(Child<QGroupBox>(dialog, c.frame)->title(), c.caption);
        EXPECT_EQ(Child<QCheckBox>(dialog, "chk" + part + "CopyImages")->text(), c.checkCaption);
        EXPECT_EQ(Child<QLabel>(dialog, "lbl" + part + "SourceDir")->text(), c.sourceLabel);
        EXPECT_EQ(Child<QLabel>(dialog, "lbl" + part + "DestinDir")->text(), "Destination (Quillmart Uploads Folder):");
        EXPECT_EQ(Child<QLineEdit>(dialog, "txt" + part + "SourceDir")->text().toStdString(), "/src/" + index);
        EXPECT_EQ(Child<QLineEdit>(dialog, "txt" + part + "DestinDir")->text().toStdString(), "/dst/" + index);
        // Ticked with folders that do not exist: the folders are open to change, OK is not.
        const bool ticked = c.index % 2 == 0;
        EXPECT_EQ(Child<QCheckBox>(dialog, "chk" + part + "CopyImages")->isChecked(), ticked);
        EXPECT_EQ(Child<QPushButton>(dialog, "cmd" + part + "SourceBrowse")->isEnabled(), ticked);
        EXPECT_EQ(Child<QPushButton>(dialog, "cmdOK")->isEnabled(), !ticked);
    }
}

// OK waits for both folders while copying is ticked, whether typed or
// browsed to (what counts as a folder is the path checks' business); a
// cancelled browse keeps the text.
TEST_F(FrmTablesCatalogue, OkWaitsForBothFoldersWhileCopyingIsTicked) {
    // A VPASP shop whose uploads folder is not there yet.
    data::ConversionSettings settings =
        Settings(data::kSystemVpasp, 0, shop_ + "/shop.mdb", root_ + "/new/quillmart.sqlite");
    FrmTables dialog(nullptr, settings, data::kSystemVpasp);
    std::vector<std::string> calls;  // title | start | flags
    std::string answer;
    SetFolderBrowser([&](QWidget* owner, const std::string& title, const std::string& start, unsigned flags) {
        EXPECT_EQ(owner, &dialog);
        calls.push_back(title + " | " + start + " | " + std::to_string(flags));
        return answer;
    });
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    auto* chk = Child<QCheckBox>(dialog, "chkVPASPCopyImages");
    auto* source = Child<QLineEdit>(dialog, "txtVPASPSourceDir");
    auto* destin = Child<QLineEdit>(dialog, "txtVPASPDestinDir");
    auto* ok = Child<QPushButton>(dialog, "cmdOK");

    EXPECT_EQ(source->text().toStdString(), shop_);
    EXPECT_FALSE(source->isEnabled());
    EXPECT_FALSE(Child<QLabel>(dialog, "lblVPASPDestinDir")->isEnabled());
    EXPECT_TRUE(ok->isEnabled());  // the destination folder is missing, but nothing is copied

    chk->click();
    EXPECT_TRUE(source->isEnabled());
    EXPECT_TRUE(Child<QPushButton>(dialog, "cmdVPASPDestinBrowse")->isEnabled());
    EXPECT_FALSE(ok->isEnabled());

    const std::string missing = destin->text().toStdString();
    for (const std::string& chosen : {std::string(), uploads_}) {  // cancelled, then a folder
        answer = chosen;
        QTest::mouseClick(Child<QPushButton>(dialog, "cmdVPASPDestinBrowse"), Qt::LeftButton);
        EXPECT_EQ(destin->text().toStdString(), chosen.empty() ? missing : chosen);
        EXPECT_EQ(ok->isEnabled(), !chosen.empty());
    }
    source->clear();
    QTest::keyClicks(source, QString::fromStdString(root_ + "/sho"));  // a prefix of a folder is not one
    EXPECT_FALSE(ok->isEnabled());
    chk->click();  // unticked: OK at once
    EXPECT_TRUE(ok->isEnabled());
    EXPECT_FALSE(destin->isEnabled());
    chk->click();
    answer = shop_;
    QTest::mouseClick(Child<QPushButton>(dialog, "cmdVPASPSourceBrowse"), Qt::LeftButton);
    EXPECT_TRUE(ok->isEnabled());
    const std::string uploadsCall = "Browse For Quillmart Uploads Directory | " + missing + " | 80";
    EXPECT_THAT(calls, ::testing::ElementsAre(uploadsCall, uploadsCall,
                                              "Browse For VPASP Images Directory | " + root_ + "/sho | 80"));
}

// Cancel first, then OK, on the same settings: the lists' ticks and the
// image record are stored by OK alone, and the ticks are shown next time.
TEST_F(FrmTablesCatalogue, OkStoresTheTicksAndTheRecordAndCancelDoesNot) {
    data::ConversionSettings settings = Settings(data::kSystemQuillmart, 4.6f);
    settings.ImageCopySettings[data::kImagesVpasp].SourceDir = shop_;
    for (const char* button : {"cmdCancel", "cmdOK"}) {
        const bool ok = std::string(button) == "cmdOK";
        for (const char* system : {data::kSystemQuillmart, data::kSystemVpasp}) {
            FrmTables dialog(nullptr, settings, system);
            const int result = InModal([&] { return dialog.ShowModal(); }, [&](QDialog& d) {
                if (std::string(system) == data::kSystemQuillmart) {
                    ToggleEntry(Child<QListWidget>(d, "litCopy"), 7);  // tblQuillmartNews
                    ToggleEntry(Child<QListWidget>(d, "litJob"), 0);
                } else {
                    Child<QCheckBox>(d, "chkVPASPCopyImages")->click();
                    Child<QLineEdit>(d, "txtVPASPDestinDir")->setText(QString::fromStdString(uploads_));
                }
                QTest::mouseClick(Child<QPushButton>(d, button), Qt::LeftButton);
            });
            EXPECT_EQ(result, ok ? QDialog::Accepted : QDialog::Rejected) << system;
        }
        EXPECT_EQ(*settings.CopyTableList.Get("tblQuillmartNews"), ok ? "n" : "y") << button;
        EXPECT_EQ(*settings.JobList.Get(data::kJobAdminLogin), ok ? "n" : "y") << button;
        const data::ImageCopySetting& after = settings.ImageCopySettings[data::kImagesVpasp];
        EXPECT_EQ(after.CopyImages, ok) << button;
        EXPECT_EQ(after.SourceDir, shop_);
        EXPECT_EQ(after.DestinDir, ok ? uploads_ : "") << button;
    }
    EXPECT_EQ(settings.CopyTableList.Count(), 19u);  // kept, only unselected
    FrmTables again(nullptr, settings, data::kSystemQuillmart);
    auto* litCopy = Child<QListWidget>(again, "litCopy");
    EXPECT_EQ(litCopy->item(7)->checkState(), Qt::Unchecked);
    EXPECT_EQ(Ticked(litCopy), 18);
    // Another system's record is not touched.
    EXPECT_FALSE(settings.ImageCopySettings[data::kImagesActinic].CopyImages);
    EXPECT_TRUE(settings.ImageCopySettings[data::kImagesActinic].SourceDir.empty());
}

}  // namespace
}  // namespace qdt::wizard::ui::testing
