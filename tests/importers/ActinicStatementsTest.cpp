// The statements an Actinic import sends: the exact ones to a recording
// destination, and how many go to its source for each product; and the
// random names its downloads are given.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <set>
#include <stdexcept>

#include "data/run/ConnectionProfile.h"
#include "data/run/TextStatus.h"
#include "db/DataType.h"
#include "importers/ActinicImporter.h"
#include "importers/ImportShop.h"
#include "support/PassThroughProvider.h"
#include "support/RecordingConnection.h"

namespace qdt::importers {
namespace {

// The rows' values are left to the whole runs; here, the read-backs in the
// destination's dialect, which no run on SQLite or MariaDB shows.
TEST(ActinicStatements, ReadBackInTheDestinationsDialect) {
    run::TextStatus status;
    run::RunContext ctx(status);
    ctx.destination.Kind = data::kSqlServer;
    const std::string store = test::TempDir();
    test::WriteFile(store + "/downloads/MANUAL.pdf", "manual");
    ctx.settings.ImageCopySettings[data::kImagesActinic] = {true, store, test::TempDir()};
    test::RecordingConnection destination;
    destination
        .Tables({"tblQuillmartConfig", "tblQuillmartProdType", "tblQuillmartProducts", "tblQuillmartVersions",
                 "tblQuillmartProductProdTypeLink", "tblQuillmartRelatedProducts", "tblQuillmartTaxRates"})
        .AnswerPrefix("SELECT CFG_Value", {{"CFG_Value"}, {db::kVarWChar}, {}})  // the tax bands are empty
        .AnswerPrefix("SELECT", {{"ID"}, {db::kInteger}, {{db::Value::Integer(7)}}});
    db::Connection source, d = destination.Open();
    source.Open("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" QDT_ACTINIC_FIXTURES "/shop.sqlite");
    RandomName names(5), same(5);
    ImportActinic(ctx, source, d, {}, &names);
    EXPECT_THAT(destination.Statements(),
                ::testing::IsSupersetOf(std::vector<std::string>{
                    "SELECT TOP 1 PT_ID FROM tblQuillmartProdType WHERE PT_Name1='Teas' ORDER BY PT_ID DESC",
                    "SELECT TOP 1 P_ID FROM tblQuillmartProducts WHERE P_Name1='O''Neill''s mug' ORDER BY P_ID DESC",
                    "SELECT TOP 1 V_ID FROM tblQuillmartVersions WHERE V_Name1='Sencha' ORDER BY V_ID DESC",
                    // A product's rate is found without TOP.
                    "SELECT T_ID FROM tblQuillmartTaxRates WHERE T_TaxRate = 17.5",
                    "UPDATE tblQuillmartVersions SET V_DownloadInfo = 'PDF|" + same.Next(8) +
                        "', V_DownloadType = 'u' WHERE V_ID = 7"}));
    EXPECT_EQ(destination.OpenResults(), 0);
}

// Passes every call on, counting the statements.
class CountingProvider : public test::PassThroughProvider {
public:
    CountingProvider(std::unique_ptr<db::ConnectionProvider> inner, int& count)
        : PassThroughProvider(std::move(inner)), count_(count) {}
    std::unique_ptr<db::Recordset> Execute(const std::string& sql) override {
        ++count_;
        return inner_->Execute(sql);
    }

private:
    int& count_;
};

// Each import replaces the shop's catalogue, so one shop serves them all.
int SourceStatements(testing::ImportShop& shop, int products) {
    run::TextStatus status;
    run::RunContext ctx(status);
    ctx.destination = shop.profile;
    int count = 0;
    db::Connection source(std::make_unique<CountingProvider>(
        db::OpenProvider("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" QDT_ACTINIC_FIXTURES "/bench-" +
                         std::to_string(products) + ".sqlite"),
        count));
    db::Connection destination = shop.Open();
    // As the run does: one transaction, not a disk flush per row.
    destination.BeginTrans();
    ImportActinic(ctx, source, destination);
    destination.CommitTrans();
    return count;
}

// Each product of the bench shape (two attributes of four choices on one
// component, a price rule per choice) costs the same number of statements,
// however many products there are: its attributes, their choices and
// component (6), and two rule lookups for each of its 16 versions; besides
// sections, tax columns, components and products read once each.
TEST(ActinicSourceLoad, IsTheSameForEveryProductWhateverTheCatalogueSize) {
    testing::ImportShop shop;
    ASSERT_NO_FATAL_FAILURE(shop.Make("sqlite"));
    for (const int products : {5, 10, 20}) EXPECT_EQ(SourceStatements(shop, products), 4 + 38 * products) << products;
}

// Names of one character run out after 36: each is handed out once, so two
// downloads of one run never share a file.
TEST(RandomName, NeverRepeatsANameAndUsesDigitsAndSmallLetters) {
    RandomName names(3);
    std::set<std::string> seen;
    for (int i = 0; i < 36; ++i) EXPECT_TRUE(seen.insert(names.Next(1)).second);
    std::string all;
    for (const std::string& s : seen) all += s;
    EXPECT_EQ(all, "0123456789abcdefghijklmnopqrstuvwxyz");
    EXPECT_THROW(names.Next(1), std::length_error);
}

TEST(RandomName, GeneratorsMadeApartDoNotFollowTheSameSequence) {
    RandomName a, b;
    std::set<std::string> first;
    for (int i = 0; i < 20; ++i) first.insert(a.Next(8));
    int shared = 0;
    for (int i = 0; i < 20; ++i) shared += first.count(b.Next(8)) > 0;
    EXPECT_EQ(shared, 0);
}

}  // namespace
}  // namespace qdt::importers
