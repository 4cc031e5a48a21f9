#include "wizard/ui/FrmTables.h"

#include <gmock/gmock.h>

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <functional>

#include "data/run/ConnectionProfile.h"
#include "data/ConversionSettings.h"
#include "data/Detection.h"
#include "support/TestEnv.h"
#include "wizard/ui/FolderBrowser.h"

namespace qdt::wizard::ui {
namespace {

data::ConversionSettings QuillmartSettings(float version) {
    data::ConnectionProfile source, destination;
    source.SystemName = data::kSystemQuillmart;
    source.Version = version;
    data::ConversionSettings settings;
    data::PrepareConversionSettings(settings, source, destination);
    return settings;
}

template <typename T>
T* Child(const QWidget& dialog, const char* name) {
    T* child = dialog.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(child, nullptr) << "no control " << name;
    return child;
}

int Ticked(const QListWidget* list) {
    int n = 0;
    for (int i = 0; i < list->count(); ++i) n += list->item(i)->checkState() == Qt::Checked;
    return n;
}

// Shows the dialog modally, lets `act` work in it as a user would, and
// returns what ShowModal returned.
int RunModal(FrmTables& dialog, const std::function<void(FrmTables&)>& act) {
    QTimer::singleShot(0, &dialog, [&] {
        act(dialog);
        if (dialog.isVisible()) dialog.reject();  // a failed expectation must not hang the test
    });
    return dialog.ShowModal();
}

// The user moves to an entry and presses the space bar, which toggles its tick.
void ToggleEntry(QListWidget* list, int row) {
    list->setCurrentRow(row, QItemSelectionModel::NoUpdate);
    QTest::keyClick(list, Qt::Key_Space);
}

// --- A Quillmart source: three lists ------------------------------------

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
        data::ConversionSettings settings = QuillmartSettings(c.version);
        FrmTables dialog(nullptr, settings, data::kSystemQuillmart);
        EXPECT_EQ(dialog.windowTitle(), "Customize Conversion Procedure");
        auto* frame = Child<QGroupBox>(dialog, "frQuillmart");
        EXPECT_TRUE(frame->isVisibleTo(&dialog));
        EXPECT_EQ(frame->title(), "Quillmart to Quillmart Conversion Settings");
        for (const char* other : {"frVPASP", "frActinic", "frComersus", "frExcel"})
            EXPECT_FALSE(Child<QGroupBox>(dialog, other)->isVisibleTo(&dialog)) << other;
        auto* litCopy = Child<QListWidget>(dialog, "litCopy");
        auto* litCompare = Child<QListWidget>(dialog, "litCompare");
        auto* litJob = Child<QListWidget>(dialog, "litJob");
        EXPECT_EQ(Ticked(litCopy), c.tables);
        EXPECT_EQ(litCopy->item(0)->text(), "tblQuillmartAffiliateLog");
        ASSERT_EQ(Ticked(litCompare), c.compared);
        EXPECT_EQ(litCompare->item(c.compared - 1)->text().toStdString(), c.lastCompared);
        ASSERT_EQ(litJob->count(), static_cast<int>(c.jobs.size()));
        for (int i = 0; i < litJob->count(); ++i) EXPECT_EQ(litJob->item(i)->text().toStdString(), c.jobs[i]);
        EXPECT_EQ(Ticked(litJob), static_cast<int>(c.jobs.size()));
        // The first table is current, without being picked out.
        EXPECT_EQ(litCopy->currentRow(), 0);
        EXPECT_TRUE(litCopy->selectedItems().isEmpty());
    }
}

TEST(FrmTablesQuillmart, OkKeepsTheTicksForNextTimeAndCancelDoesNot) {
    data::ConversionSettings settings = QuillmartSettings(4.6f);
    {
        FrmTables dialog(nullptr, settings, data::kSystemQuillmart);
        const int result = RunModal(dialog, [](FrmTables& d) {
            ToggleEntry(Child<QListWidget>(d, "litCopy"), 7);  // tblQuillmartNews
            ToggleEntry(Child<QListWidget>(d, "litJob"), 0);
            QTest::mouseClick(Child<QPushButton>(d, "cmdOK"), Qt::LeftButton);
        });
        EXPECT_EQ(result, QDialog::Accepted);
    }
    EXPECT_EQ(*settings.CopyTableList.Get("tblQuillmartNews"), "n");
    EXPECT_EQ(*settings.JobList.Get(data::kJobAdminLogin), "n");
    EXPECT_EQ(settings.CopyTableList.Count(), 19u);  // kept, only unselected

    FrmTables again(nullptr, settings, data::kSystemQuillmart);
    auto* litCopy = Child<QListWidget>(again, "litCopy");
    EXPECT_EQ(litCopy->item(7)->checkState(), Qt::Unchecked);
    EXPECT_EQ(Ticked(litCopy), 18);
    const int result = RunModal(again, [](FrmTables& d) {
        auto* list = Child<QListWidget>(d, "litCopy");
        ToggleEntry(list, 7);  // ticks tblQuillmartNews again
        ToggleEntry(list, 0);
        QTest::mouseClick(Child<QPushButton>(d, "cmdCancel"), Qt::LeftButton);
    });
    EXPECT_EQ(result, QDialog::Rejected);
    EXPECT_EQ(*settings.CopyTableList.Get("tblQuillmartNews"), "n");
    EXPECT_EQ(*settings.CopyTableList.Get("tblQuillmartAffiliateLog"), "y");
}

TEST(FrmTablesQuillmart, ShowsOverTheMainWindowAt400TwipsWithNothingClipped) {
    QWidget owner;
    owner.setGeometry(120, 90, 431, 344);
    owner.show();
    data::ConversionSettings settings = QuillmartSettings(4.6f);  // the longest job name
    FrmTables dialog(&owner, settings, data::kSystemQuillmart);
    RunModal(dialog, [&owner](FrmTables& d) {
        EXPECT_TRUE(d.isModal());
        EXPECT_EQ(d.frameGeometry().topLeft(), owner.frameGeometry().topLeft() + QPoint(27, 27));
        EXPECT_GE(d.width(), 501);
        EXPECT_GE(d.height(), 363);
        for (const char* name : {"cmdOK", "cmdCancel", "litCopy", "litCompare", "litJob", "frQuillmart"}) {
            const QWidget* w = Child<QWidget>(d, name);
            const QRect inDialog(w->mapTo(&d, QPoint(0, 0)), w->size());
            EXPECT_TRUE(d.rect().contains(inDialog)) << name;
            EXPECT_GE(w->width(), w->minimumSizeHint().width()) << name;
        }
        for (const char* name : {"litCopy", "litCompare", "litJob"}) {
            const auto* list = Child<QListWidget>(d, name);
            EXPECT_GE(list->viewport()->width(), list->sizeHintForColumn(0)) << name << " cuts its entries short";
            EXPECT_GE(list->viewport()->height(), 3 * list->sizeHintForRow(0)) << name;
        }
        d.accept();
    });
}

// --- A catalogue source: copying images ---------------------------------

class FrmTablesCatalogue : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = test::TempDir();
        shop_ = root_ + "/shop";
        uploads_ = root_ + "/uploads";
        std::filesystem::create_directories(shop_);
        std::filesystem::create_directories(uploads_);
    }
    void TearDown() override { SetFolderBrowser({}); }

    // A VPASP shop whose uploads folder is not there yet.
    data::ConversionSettings VpaspSettings() {
        data::ConnectionProfile source, destination;
        source.SystemName = data::kSystemVpasp;
        source.Database = shop_ + "/shop.mdb";
        destination.Database = root_ + "/new/quillmart.sqlite";
        data::ConversionSettings settings;
        data::PrepareConversionSettings(settings, source, destination);
        return settings;
    }

    std::string root_, shop_, uploads_;
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
        const std::string part = c.part;
        auto* frame = Child<QGroupBox>(dialog, c.frame);
        EXPECT_TRUE(frame->isVisibleTo(&dialog));
        EXPECT_EQ(frame->title(), c.caption);
        EXPECT_FALSE(Child<QGroupBox>(dialog, "frQuillmart")->isVisibleTo(&dialog));
        auto* chk = Child<QCheckBox>(dialog, ("chk" + part + "CopyImages").c_str());
        EXPECT_EQ(chk->text(), c.checkCaption);
        EXPECT_EQ(chk->isChecked(), c.index % 2 == 0);
        EXPECT_EQ(Child<QLabel>(dialog, ("lbl" + part + "SourceDir").c_str())->text(), c.sourceLabel);
        EXPECT_EQ(Child<QLabel>(dialog, ("lbl" + part + "DestinDir").c_str())->text(),
                  "Destination (Quillmart Uploads Folder):");
        EXPECT_EQ(Child<QLineEdit>(dialog, ("txt" + part + "SourceDir").c_str())->text().toStdString(),
                  "/src/" + std::to_string(c.index));
        EXPECT_EQ(Child<QLineEdit>(dialog, ("txt" + part + "DestinDir").c_str())->text().toStdString(),
                  "/dst/" + std::to_string(c.index));
        // Ticked with folders that do not exist: the folders are open to change, OK is not.
        EXPECT_EQ(Child<QPushButton>(dialog, ("cmd" + part + "SourceBrowse").c_str())->isEnabled(), chk->isChecked());
        EXPECT_EQ(Child<QPushButton>(dialog, "cmdOK")->isEnabled(), !chk->isChecked());
    }
}

TEST_F(FrmTablesCatalogue, OkWaitsForBothFoldersWhileCopyingIsTicked) {
    data::ConversionSettings settings = VpaspSettings();
    FrmTables dialog(nullptr, settings, data::kSystemVpasp);
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

    destin->clear();
    QTest::keyClicks(destin, QString::fromStdString(uploads_ + "/"));
    EXPECT_TRUE(ok->isEnabled());
    source->clear();
    QTest::keyClicks(source, QString::fromStdString(root_ + "/sho"));  // a prefix of a folder is not one
    EXPECT_FALSE(ok->isEnabled());
    QTest::keyClick(source, Qt::Key_P);
    EXPECT_TRUE(ok->isEnabled());

    destin->setText(QString::fromStdString(root_ + "/nowhere"));
    EXPECT_FALSE(ok->isEnabled());
    chk->click();  // unticked: OK at once
    EXPECT_TRUE(ok->isEnabled());
    EXPECT_FALSE(destin->isEnabled());
}

// Cancel first, then OK, on the same settings.
TEST_F(FrmTablesCatalogue, OkStoresTheRecordAndCancelDoesNot) {
    data::ConversionSettings settings = VpaspSettings();
    const std::string destinationBefore = settings.ImageCopySettings[data::kImagesVpasp].DestinDir;
    for (const char* button : {"cmdCancel", "cmdOK"}) {
        FrmTables dialog(nullptr, settings, data::kSystemVpasp);
        RunModal(dialog, [&](FrmTables& d) {
            Child<QCheckBox>(d, "chkVPASPCopyImages")->click();
            Child<QLineEdit>(d, "txtVPASPDestinDir")->setText(QString::fromStdString(uploads_));
            QTest::mouseClick(Child<QPushButton>(d, button), Qt::LeftButton);
        });
        const bool ok = std::string(button) == "cmdOK";
        const data::ImageCopySetting& after = settings.ImageCopySettings[data::kImagesVpasp];
        EXPECT_EQ(after.CopyImages, ok) << button;
        EXPECT_EQ(after.SourceDir, shop_);
        EXPECT_EQ(after.DestinDir, ok ? uploads_ : destinationBefore) << button;
    }
    // Another system's record is not touched.
    EXPECT_FALSE(settings.ImageCopySettings[data::kImagesActinic].CopyImages);
    EXPECT_TRUE(settings.ImageCopySettings[data::kImagesActinic].SourceDir.empty());
}

TEST_F(FrmTablesCatalogue, BrowseButtonsAskWithTheirTitleAndKeepTextWhenCancelled) {
    data::ConversionSettings settings = VpaspSettings();
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
    Child<QCheckBox>(dialog, "chkVPASPCopyImages")->click();
    auto* destin = Child<QLineEdit>(dialog, "txtVPASPDestinDir");
    const std::string missing = destin->text().toStdString();
    for (const std::string& chosen : {std::string(), uploads_}) {  // cancelled, then a folder
        answer = chosen;
        QTest::mouseClick(Child<QPushButton>(dialog, "cmdVPASPDestinBrowse"), Qt::LeftButton);
        EXPECT_EQ(destin->text().toStdString(), chosen.empty() ? missing : chosen);
        // The new text is checked again.
        EXPECT_EQ(Child<QPushButton>(dialog, "cmdOK")->isEnabled(), !chosen.empty());
    }
    answer = root_;
    QTest::mouseClick(Child<QPushButton>(dialog, "cmdVPASPSourceBrowse"), Qt::LeftButton);
    EXPECT_EQ(Child<QLineEdit>(dialog, "txtVPASPSourceDir")->text().toStdString(), root_);

    const std::string uploadsCall = "Browse For Quillmart Uploads Directory | " + missing + " | 80";
    EXPECT_THAT(calls, ::testing::ElementsAre(uploadsCall, uploadsCall,
                                              "Browse For VPASP Images Directory | " + shop_ + " | 80"));
}

}  // namespace
}  // namespace qdt::wizard::ui
