// How many statements an Actinic import sends to its source for each product.
#include <gtest/gtest.h>

#include "data/run/TextStatus.h"
#include "importers/ActinicImporter.h"
#include "importers/ImportShop.h"

namespace qdt::importers {
namespace {

// Passes every call on, counting the statements.
class CountingProvider : public db::ConnectionProvider {
public:
    CountingProvider(std::unique_ptr<db::ConnectionProvider> inner, int& count) : inner_(std::move(inner)), count_(count) {}
    std::unique_ptr<db::Recordset> Execute(const std::string& sql) override {
        ++count_;
        return inner_->Execute(sql);
    }
    std::unique_ptr<db::Recordset> OpenSchemaTables() override { return inner_->OpenSchemaTables(); }
    void Close() override { inner_->Close(); }
    void BeginTrans() override { inner_->BeginTrans(); }
    void CommitTrans() override { inner_->CommitTrans(); }
    void RollbackTrans() override { inner_->RollbackTrans(); }

private:
    std::unique_ptr<db::ConnectionProvider> inner_;
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
// component (6), and two rule lookups for each of its 16 versions.
TEST(ActinicSourceLoad, IsTheSameForEveryProductWhateverTheCatalogueSize) {
    testing::ImportShop shop;
    ASSERT_NO_FATAL_FAILURE(shop.Make("sqlite"));
    const int five = SourceStatements(shop, 5), ten = SourceStatements(shop, 10), twenty = SourceStatements(shop, 20);
    EXPECT_EQ((ten - five) / 5, 38);
    EXPECT_EQ((twenty - ten) * 5, (ten - five) * 10);
    EXPECT_EQ(five - 5 * 38, 4);  // sections, tax columns, components, products: once each
}

}  // namespace
}  // namespace qdt::importers
