// A whole Data Copy and catalogue import through the window, the check and
// the run failing, and the runs saved with their logs and report. The
// window's status: the same text as the engine's reference status, fed from
// another thread, and shown in coalesced steps.
#include <gmock/gmock.h>
#include <nlohmann/json.hpp>

#include <QCheckBox>
#include <QElapsedTimer>
#include <QListWidget>
#include <QProgressBar>
#include <filesystem>
#include <fstream>
#include <thread>

#include "WizardHarness.h"
#include "data/run/TextStatus.h"
#include "support/TestEnv.h"
#include "wizard/report/SavedRuns.h"
#include "wizard/ui/RunSaving.h"

namespace qdt::wizard::ui::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::StartsWith;
namespace fs = std::filesystem;

class WizardDataCopy : public ::testing::Test {
protected:
    Wizard w;
    std::string source = SqliteShop("4.6", false), destination = SqliteShop("5.104", true);
};

// The same file twice fails the check and Back keeps it; with the right
// destination the copy runs; Back from it checks again; and a run whose
// destination lost a table since shows the error, leaving Back and Cancel.
TEST_F(WizardDataCopy, CopiesAQuillmart46ShopIntoANew5104ShopThenBackChecksAgain) {
    ASSERT_TRUE(w.CheckSqliteFiles(source, source));
    EXPECT_THAT(w.dialogs.informations, ElementsAre(StartsWith("Trying to connect to the same databases!\n\n")));
    EXPECT_EQ(w.Buttons(), "+-+");
    EXPECT_FALSE(w.Button("cmdTables")->isEnabled());
    w.Back();
    EXPECT_EQ(w.window->intCurrStep(), 2);
    EXPECT_EQ(w.Text("txtSQLiteFile"), source);
    w.dialogs.informations.clear();

    w.Type("txtSQLiteFile", destination);
    w.Next();
    EXPECT_EQ(w.Texts({"lblTitle", "lblSubTitle"}),
              "Confirm Details|The system will check the data source and destination and detect the versions. "
              "Confirm the information before continuing to copying the data.");
    // While the check works it can only be left, by Back or Cancel.
    EXPECT_EQ(w.Buttons(), "+-+");
    EXPECT_FALSE(w.Button("cmdTables")->isEnabled());
    ASSERT_TRUE(w.WaitForWork());
    EXPECT_EQ(w.Text("txtSource") + " -> " + w.Text("txtDestin"), "Quillmart v4.6 -> Quillmart v5.104");
    EXPECT_EQ(w.Buttons(), "+++");
    EXPECT_TRUE(w.Button("cmdTables")->isEnabled());

    // The settings dialog works on the run's own lists: the news are left out.
    w.InSettingsDialog([](QDialog& dialog) {
        auto found = Child<QListWidget>(dialog, "litCopy")->findItems("tblQuillmartNews", Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1);
        found[0]->setCheckState(Qt::Unchecked);
        QTest::mouseClick(Child<QPushButton>(dialog, "cmdOK"), Qt::LeftButton);
    });

    w.Next();
    EXPECT_EQ(w.Texts({"lblTitle", "lblSubTitle"}),
              "Processing|The system is now performing the designated task. Please be patient whilst the process "
              "completes.");
    EXPECT_EQ(w.Buttons(), "---");
    ASSERT_TRUE(w.WaitForWork());
    const std::string log = w.Text("txtStep2");
    EXPECT_EQ(log.find("tblQuillmartNews"), std::string::npos);
    EXPECT_THAT(log, EndsWith("Closing Databases... done.\n\nData Transfer Successful!"));
    EXPECT_TRUE(w.dialogs.informations.empty());
    EXPECT_EQ(w.Buttons(), "++-");

    w.Back();
    EXPECT_EQ(w.window->intCurrStep(), 3);
    ASSERT_TRUE(w.WaitForWork());
    EXPECT_EQ(w.Text("txtConnect"),
              "Testing SQLite Database source connection... done.\nDetecting version...Set to Quillmart v4.6\n"
              "Testing SQLite Database destination connection... done.\nDetecting version...Set to Quillmart v5.104");
    // The check empties the run's log too.
    EXPECT_EQ(w.Text("txtStep2"), "");
    EXPECT_EQ(w.Buttons(), "+++");

    test::OpenSqlite(destination).Execute("DROP TABLE tblQuillmartAffiliates");
    ASSERT_TRUE(w.NextAndWait());
    EXPECT_THAT(w.dialogs.informations,
                ElementsAre("An error has occurred copying one of the tables. \n"
                            "This may be due to the correct database type not being selected.\n"
                            "Please go back and check you have selected correctly.\n\n"
                            "See status window for more details."));
    EXPECT_EQ(w.Buttons(), "+-+");
}

// The Excel and text kinds of step 1 and the settings dialog's flat-file
// frame reach the importer.
TEST(WizardCatalogueImport, ImportsTheDemoCatalogueWithItsImagesFromEitherKind) {
    const Wizard::Side kinds[] = {{"Excel Spreadsheet (Catalogue only)", "txtExcelFile", "catalogue.xlsx"},
                                  {"Text File (Catalogue only)", "txtCSVFile", "catalogue.csv"}};
    for (Wizard::Side kind : kinds) {
        SCOPED_TRACE(kind.kind);
        const std::string shop = SqliteShop("5.104", true);
        const std::string uploads = test::TempDir() + "/uploads";
        fs::create_directories(uploads);
        Wizard w;
        kind.text = std::string(QDT_DEMO_CATALOGUE) + "/" + kind.text;
        ASSERT_TRUE(w.EnterSides(kind, {"SQLite Database", "txtSQLiteFile", shop}));
        ASSERT_EQ(w.Buttons(), "+++") << w.Text("txtConnect");

        w.InSettingsDialog([&](QDialog& dialog) {
            Child<QCheckBox>(dialog, "chkFlatFileCopyImages")->setChecked(true);
            Child<QLineEdit>(dialog, "txtFlatFileSourceDir")->setText(QStringLiteral(QDT_DEMO_CATALOGUE "/images"));
            Child<QLineEdit>(dialog, "txtFlatFileDestinDir")->setText(QString::fromStdString(uploads));
            QTest::mouseClick(Child<QPushButton>(dialog, "cmdOK"), Qt::LeftButton);
        });

        ASSERT_TRUE(w.NextAndWait());
        EXPECT_THAT(w.Text("txtStep2"), EndsWith("\n\nData Transfer Successful!"));
        EXPECT_EQ(CountRows(shop, "tblQuillmartVersions"), 5);
        EXPECT_EQ(CountRows(shop, "tblQuillmartProdtype"), 4);
        EXPECT_TRUE(fs::exists(uploads + "/images_products/2.PNG") && fs::exists(uploads + "/images_versions/1.png"));
    }
}

// The run folders saved under `root`, oldest first.
std::vector<fs::path> SavedRuns(const fs::path& root = report::RunsFolder()) {
    std::vector<fs::path> runs;
    if (!fs::exists(root)) return runs;
    for (const auto& entry : fs::directory_iterator(root))
        if (entry.path().filename().string().rfind("20", 0) == 0) runs.push_back(entry.path());
    std::sort(runs.begin(), runs.end());
    return runs;
}

report::Clock::time_point At(int second) {
    return report::Clock::time_point(std::chrono::seconds(1796000000 + second));
}

// One folder per run named by its start; the oldest beyond the last ones kept
// go, nothing else in the folder is touched, and two runs of one moment keep both.
TEST(SavedRuns, PruningKeepsTheNewestAndLeavesOtherFilesAlone) {
    struct Case {
        int runsBefore;  // saved a second apart, before the new one
        std::size_t keep, runsAfter;
    };
    const Case cases[] = {{0, 50, 1}, {48, 50, 49}, {49, 50, 50}, {50, 50, 50}, {60, 50, 50}, {5, 2, 2}};
    report::RunReport record;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.runsBefore) + " runs, keeping " + std::to_string(c.keep));
        const fs::path root = test::TempDir() + "/runs";
        fs::create_directories(root / "notes");
        std::ofstream(root / "README.txt") << "mine";
        for (int i = 0; i < c.runsBefore; ++i) fs::create_directories(root / report::RunFolderName(At(i)));
        record.started = At(c.runsBefore);
        const fs::path saved = report::SaveRun(root, record, "check", "run", c.keep);
        const std::vector<fs::path> runs = SavedRuns(root);
        ASSERT_EQ(runs.size(), c.runsAfter);
        EXPECT_EQ(runs.back().filename(), saved.filename());
        EXPECT_EQ(runs.front().filename(), report::RunFolderName(At(c.runsBefore + 1 - static_cast<int>(c.runsAfter))));
        EXPECT_TRUE(fs::exists(root / "notes") && fs::exists(root / "README.txt"));
    }
    const fs::path twins = test::TempDir();
    EXPECT_NE(report::SaveRun(twins, record, "", ""), report::SaveRun(twins, record, "", ""));
    EXPECT_EQ(SavedRuns(twins).size(), 2u);
}

// A rehearsal is saved as a run: its logs as shown, and its report.
TEST_F(WizardDataCopy, ARehearsalIsSavedWithBothLogsAsShownAndItsReport) {
    fs::remove_all(report::RunsFolder());
    w.window->SetRehearsal(true);
    ASSERT_TRUE(w.CheckSqliteFiles(source, destination));
    // The check alone is not a run.
    EXPECT_TRUE(SavedRuns().empty());
    ASSERT_TRUE(w.NextAndWait());

    const std::vector<fs::path> runs = SavedRuns();
    ASSERT_EQ(runs.size(), 1u);
    const auto files = test::Files(runs[0]);
    EXPECT_EQ(files.at("check.log"), w.Text("txtConnect"));
    EXPECT_EQ(files.at("run.log"), w.Text("txtStep2"));
    const nlohmann::json json = nlohmann::json::parse(files.at("report.json"));
    EXPECT_EQ(json["rehearsal"].get<bool>(), true);
    // Named by the run's start, as the report gives it.
    std::string started = json["started"].get<std::string>();
    std::replace(started.begin(), started.end(), ':', '-');
    EXPECT_EQ(runs[0].filename().string(), started);
    EXPECT_THAT(w.Text("txtStep2"), EndsWith("\nRehearsal: nothing was kept. The destination database and the "
                                             "image folders are as they were."));
}

// A password the logs or the failure happen to hold (a driver's echo) is
// masked in the saved copies, for both sides.
TEST(WizardSavedRunMasking, PasswordsAreMaskedInTheSavedLogsAndReport) {
    fs::remove_all(report::RunsFolder());
    QtStatus status;
    run::RunContext ctx(status);
    ctx.source.Password = "src-Secret1";
    ctx.destination.Password = "Sekr3t-pw";
    ctx.destination.Kind = data::kMySql;
    ctx.strWarnings = "- a warning naming Sekr3t-pw\r\n";
    status.AddMessageConnect("Testing connection with Sekr3t-pw... ");
    status.AddMessage("Error occurred!\r\nAccess denied (Sekr3t-pw)");
    StepOutcome outcome;
    outcome.error = "Login failed with 'src-Secret1' and Sekr3t-pw";
    outcome.failedStatement = "SET PASSWORD = 'Sekr3t-pw'";
    report::RunReport record;
    report::BeginReport(record, ctx, false);
    report::EndReport(record, ctx, outcome);
    SaveRunQuietly(ctx, record, status);
    const std::vector<fs::path> runs = SavedRuns();
    ASSERT_EQ(runs.size(), 1u);
    const auto files = test::Files(runs[0]);
    EXPECT_EQ(files.size(), 3u);
    for (const auto& [file, text] : files)
        for (const char* secret : {"src-Secret1", "Sekr3t-pw"})
            EXPECT_EQ(text.find(secret), std::string::npos) << file << ": " << text;
    EXPECT_EQ(files.at("run.log"), "\nError occurred!\nAccess denied (********)");
    EXPECT_THAT(files.at("report.json"), HasSubstr("Login failed with '********' and ********"));
    EXPECT_THAT(files.at("report.json"), HasSubstr("\"outcome\": \"failed\""));
}

struct Shown {
    QPlainTextEdit step2, connect;
    QProgressBar total, current;
    QtStatus status;
    Shown() { status.Attach(&step2, &connect, &total, &current); }
};

TEST(QtStatus, WritesTheLogsAsTheReferenceStatusBarsTheirProportionAndYieldsUntilCancelled) {
    Shown w;
    run::TextStatus reference;
    for (run::Status* s : std::initializer_list<run::Status*>{&w.status, &reference}) {
        s->AddMessageConnect("Testing Access Database source connection... ");  // no break before the first
        s->AppendMessageConnect("done.");
        s->AddMessageConnect("Detecting version...");
        s->AddMessage("Connecting to source database... ");  // always a break before
        s->AppendMessage("done.");
        s->AppendMessage("");
        s->AddMessage("");
    }
    EXPECT_EQ(w.status.ConnectText(), reference.txtConnect);
    EXPECT_EQ(w.status.Step2Text(), reference.txtStep2);
    w.status.Flush();
    EXPECT_EQ(w.connect.toPlainText().toStdString(),
              "Testing Access Database source connection... done.\nDetecting version...");
    EXPECT_EQ(w.step2.toPlainText().toStdString(), "\nConnecting to source database... done.\n");
    // The caret sits at the end, so the newest line is in view.
    EXPECT_EQ(w.step2.textCursor().position(), w.step2.document()->characterCount() - 1);

    w.status.ClearMessagesConnect();
    w.status.AddMessageConnect("again");
    w.status.Flush();
    EXPECT_EQ(w.connect.toPlainText().toStdString(), "again");

    // Bars show the proportion of their maximum; a cancel request makes the
    // next yield throw, until it is reset.
    w.status.SetBarMax(run::Bar::Total, 24);
    w.status.SetBarValue(run::Bar::Total, 6);
    w.status.SetBarMax(run::Bar::Current, 0);  // a run with nothing selected
    w.status.SetBarValue(run::Bar::Current, 0);
    w.status.Flush();
    EXPECT_EQ(w.total.value() * 4, w.total.maximum());
    EXPECT_EQ(w.current.value(), 0);

    w.status.RequestCancel();
    EXPECT_THROW(w.status.Yield(), run::OperationCancelled);
    w.status.ResetCancel();
    EXPECT_NO_THROW(w.status.Yield());
}

TEST(QtStatus, AWorkerFloodIsShownInAFewCoalescedUpdates) {
    Shown w;
    constexpr int kRows = 200000;
    QElapsedTimer clock;
    clock.start();
    std::atomic<bool> done{false};
    std::thread worker([&] {
        w.status.SetBarMax(run::Bar::Current, 100);
        for (int i = 1; i <= kRows; ++i) {
            w.status.SetBarValue(run::Bar::Current, i * 100.0 / kRows);
            if (i % 20000 == 0) w.status.AddMessage("row " + std::to_string(i));
            w.status.Yield();
        }
        done = true;
    });
    while (!done) QTest::qWait(5);
    worker.join();
    // The last changes arrive within one interval.
    QTest::qWait(2 * QtStatus::kFlushIntervalMs);
    const qint64 elapsed = clock.elapsed();

    EXPECT_EQ(w.step2.toPlainText().toStdString(),
              "\nrow 20000\nrow 40000\nrow 60000\nrow 80000\nrow 100000\nrow 120000\nrow 140000\nrow 160000\nrow "
              "180000\nrow 200000");
    EXPECT_EQ(w.current.value(), w.current.maximum());
    const QtStatus::Counters counters = w.status.GetCounters();
    // Never more than one update per interval (plus the one at attaching).
    EXPECT_LE(counters.flushes, elapsed / QtStatus::kFlushIntervalMs + 2);
    EXPECT_LT(counters.barUpdates, kRows / 100);
}

}  // namespace
}  // namespace qdt::wizard::ui::testing
