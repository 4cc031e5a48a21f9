// Flat-file imports: whole runs into SQLite and MariaDB, and the exact
// statements through a recording destination.
#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "data/Detection.h"
#include "data/SqlLiterals.h"
#include "data/run/TextStatus.h"
#include "db/DataType.h"
#include "importers/CatalogueImport.h"
#include "importers/FlatFileImporter.h"
#include "importers/FlatFileRow.h"
#include "importers/ImportShop.h"
#include "support/RecordingConnection.h"

namespace qdt::importers {
namespace {

namespace fs = std::filesystem;
using ::testing::AllOf;
using ::testing::EndsWith;
using testing::Files;
using testing::HasSubstr;
using testing::Lines;
using testing::Rows;
using testing::WriteFiles;

using Cells = std::array<std::string, kFlatFileColumns>;

// The header row of a catalogue sheet, as a shop owner would write it.
std::vector<std::string> SheetHeaders() {
    std::vector<std::string> headers;
    for (int level = 1; level <= 5; ++level)
        for (const char* part : {"", " Description", " Image", " Large Image"})
            headers.push_back("Category " + std::to_string(level) + part);
    for (const char* name : {"Product", "Product Description", "Product Image", "Product Large Image", "Hyperlink",
                             "Details Table", "Strap Line", "Version", "Version Description", "Version Image",
                             "Version Large Image", "Code", "Price", "Quantity", "Weight", "RRP", "Tax Rate"})
        headers.push_back(name);
    return headers;
}

// One version row: its category names from level 1 down, product and code,
// sensible numbers, and any other cell by column.
Cells Version(std::vector<std::string> categories, std::string product, std::string code,
                     std::map<std::size_t, std::string> other = {}) {
    Cells cells;
    for (std::size_t level = 0; level < categories.size(); ++level) cells[4 * level] = categories[level];
    cells[kProductName] = std::move(product);
    cells[kVersionCode] = std::move(code);
    cells[kPrice] = "10";
    cells[kQuantity] = "5";
    cells[kWeight] = "0.5";
    cells[kRrp] = "12";
    cells[kTaxRate] = "17.5";
    for (auto& [column, value] : other) cells[column] = value;
    return cells;
}

// The sheet as a source answers it, every cell text (an empty cell Null).
test::CannedResult CannedSheet(const std::vector<Cells>& rows, std::size_t columns = kFlatFileColumns) {
    test::CannedResult result;
    const auto headers = SheetHeaders();
    result.columns.assign(headers.begin(), headers.begin() + columns);
    for (const Cells& cells : rows) {
        std::vector<db::Value> row;
        for (std::size_t c = 0; c < columns; ++c)
            row.push_back(cells[c].empty() ? db::Value::Null() : db::Value::Text(cells[c]));
        result.rows.push_back(std::move(row));
    }
    return result;
}

// The sheet as a SQLite file with one table of TEXT columns in the sheet's order.
std::string SqliteSheet(const std::string& table, const std::vector<Cells>& rows) {
    const std::string path = test::TempDir() + "/catalogue.sqlite";
    std::ofstream(path).close();
    db::Connection conn;
    conn.Open("Provider=SQLite;Data Source=" + path);
    std::string create = "CREATE TABLE \"" + table + "\" (";
    const auto headers = SheetHeaders();
    for (std::size_t c = 0; c < headers.size(); ++c) create += (c ? ", \"" : "\"") + headers[c] + "\" TEXT";
    conn.Execute(create + ")")->Close();
    for (const Cells& cells : rows) {
        std::string insert = "INSERT INTO \"" + table + "\" VALUES (";
        for (std::size_t c = 0; c < cells.size(); ++c) {
            std::string quoted;
            for (char ch : cells[c]) quoted += ch == '\'' ? std::string("''") : std::string(1, ch);
            insert += (c ? ", " : "") + (cells[c].empty() ? std::string("NULL") : "'" + quoted + "'");
        }
        conn.Execute(insert + ")")->Close();
    }
    return path;
}

// The catalogue as the import should leave it; identities count from 1 in both engines' blank shops.
const char* const kCatalogue[] = {
    "SELECT PT_ID, PT_MotherProdType, PT_Name1, PT_Desc1 FROM tblQuillmartProdtype ORDER BY PT_ID",
    "SELECT P_ID, P_Name1, P_Desc1, P_StrapLine1, P_SpecTable1, P_Hyperlink1 FROM tblQuillmartProducts ORDER BY P_ID",
    "SELECT V_CodeNumber, V_Name1, V_Price, V_Weight, V_RRP, V_Quantity, V_Product, T_TaxRate FROM "
    "tblQuillmartVersions JOIN tblQuillmartTaxRates ON T_ID = V_Tax ORDER BY V_ID",
    "SELECT * FROM tblQuillmartProductProdTypeLink ORDER BY 1",
    "SELECT CFG_Name, T_TaxRate FROM tblQuillmartConfig JOIN tblQuillmartTaxRates ON T_ID = CFG_Value "
    "WHERE CFG_Name LIKE '%taxband' ORDER BY 1",
    "SELECT T_TaxRate FROM tblQuillmartTaxRates ORDER BY 1",
    // What every row is given.
    "SELECT DISTINCT PT_Live, PT_ProductDisplayType, PT_ProdTypeDisplayType, PT_OrderByValue, PT_OrderProductsBy, "
    "P_Live, P_Featured, P_OrderByValue, P_OrderVersionsBy, P_VersionDisplayType, V_Live, V_DownLoadInfo, "
    "V_DownloadType, V_OrderByValue FROM tblQuillmartProdtype, tblQuillmartProducts, tblQuillmartVersions"};
const Lines kExpected[] = {
    {"1|0|Tea|Leaves and more", "2|1|Green|Green teas", "3|1|Black|", "4|0|Coffee|", "5|4|Green|"},
    {"1|Sencha|First flush|||", "2|O'Brien's Assam|Malty; \"strong\"|Strong|<table/>|http://x", "3|Gift box||||",
     "4|Java||||", "5|Loose spoon||||"},
    {"S-100|50 g|4.5|0.1|5|10|1|17.5", "S-250|100 g|12.5|0.5|12|5|1|17.5", "A-1|250 g|3|0.25|3.5|7|2|5",
     "J-1|Beans|9.99|1|11|2|4|17.5", "SP|Spoon|1|0.5|12|5|5|0"},
    {"1|2", "2|3", "3|1", "4|5", "5|0"},
    {"orderhandlingchargetaxband|17.5", "shiptaxband|17.5"},
    // "17.50" is the rate "17.5"; the bands' 17.5 reuses its row.
    {"0", "5", "17.5"},
    {"y|d|d|0||y|0|0||d|y||n|0"}};

std::vector<Cells> Sheet() {
    return {
        Version({"Tea", "Green"}, "Sencha", "S-100",
                {{kCategoryDesc, "Leaves and more"}, {4 + kCategoryDesc, "Green teas"},
                 {kCategoryImage, "images\\tea.gif"}, {kCategoryLargeImage, "C:\\Shop\\images\\tea_large.jpg"},
                 {kProductDesc, "First flush"}, {kProductImage, "products/sencha.png"},
                 {kVersionImage, "missing1.gif"}, {kVersionName, "50 g"}, {kPrice, "4.5"}, {kQuantity, "10"},
                 {kWeight, "0.1"}, {kRrp, "5"}}),
        Version({"Tea", "Green"}, "Sencha", "S-250",
                {{kVersionName, "100 g"}, {kPrice, "12.50"}, {kVersionImage, "versions\\S250.GIF"}}),
        Version({"Tea", "", "Black"}, "O'Brien's Assam", "A-1",
                {{kVersionName, "250 g"}, {kProductDesc, "Malty; \"strong\""}, {kProductStrapLine, "Strong"},
                 {kProductSpecTable, "<table/>"}, {kProductHyperlink, "http://x"},
                 {kProductImage, "C:\\pics\\missing2.jpg"}, {kPrice, "3"}, {kWeight, "0.25"}, {kRrp, "3.5"},
                 {kQuantity, "7"}, {kTaxRate, "5"}}),
        Version({"Coffee"}, "Ghost", "", {{kPrice, "n/a"}}),
        Version({"Tea"}, "Gift box", "S-100"),
        Version({"Coffee", "Green"}, "Java", "J-1",
                {{kVersionName, "Beans"}, {kPrice, "9.99"}, {kWeight, "1"}, {kRrp, "11"}, {kQuantity, "2"},
                 {kTaxRate, "17.50"}}),
        Version({}, "Loose spoon", "SP", {{kVersionName, "Spoon"}, {kPrice, "1"}, {kTaxRate, "0"}}),
    };
}

// "sqlite", "mysql", "sqlite-trigger": a category table whose identity a
// trigger sets, unlike the engine's row id, so only reading it back is right;
// or "mysql-no-backslash-escapes": a server session in that sql_mode.
class FlatFileRun : public testing::RunTest, public ::testing::WithParamInterface<std::string> {
protected:
    void SetUp() override {
        WriteFiles(root_, {{"images/images/Tea.GIF", "tea-cat"}, {"images/images/tea_large.jpg", "tea-large"},
                           {"images/Products/Sencha.png", "sencha"}, {"images/versions/s250.gif", "s250"},
                           {"uploads/images_products/1.gif", "old product"},
                           {"uploads/images_products/keep/x.txt", "kept"},
                           {"uploads/images_categories/9.png", "old category"}});
        ASSERT_NO_FATAL_FAILURE(shop_.Make(GetParam()));
        if (GetParam() != "sqlite-trigger") return;
        db::Connection conn = shop_.Open();
        for (const char* sql :
             {"DROP TABLE tblQuillmartProdtype",
              "CREATE TABLE tblQuillmartProdtype (pk INTEGER PRIMARY KEY AUTOINCREMENT, PT_ID INTEGER, "
              "PT_MotherProdType INTEGER, PT_Name1 TEXT, PT_Desc1 TEXT, PT_Live TEXT, PT_ProductDisplayType "
              "TEXT, PT_ProdTypeDisplayType TEXT, PT_OrderByValue INTEGER, PT_OrderProductsBy TEXT)",
              "INSERT INTO tblQuillmartProdtype (pk) VALUES (100)", "DELETE FROM tblQuillmartProdtype",
              "CREATE TRIGGER pt_id AFTER INSERT ON tblQuillmartProdtype BEGIN UPDATE tblQuillmartProdtype "
              "SET PT_ID = (SELECT COUNT(*) FROM tblQuillmartProdtype) WHERE pk = NEW.pk; END"})
            conn.Execute(sql)->Close();
    }

    testing::Outcome Import(const std::vector<Cells>& rows) {
        data::ConnectionProfile source, destination = shop_.profile;
        source.Kind = data::kSqlite;
        source.Database = SqliteSheet("items", rows);
        source.ConnectionString = data::GetConnectionString(source);
        source.SystemName = data::kSystemFlatFile;
        source.TextTable = "items";
        // Only the run's own session gets the mode; the test reads its rows without it.
        if (GetParam() == "mysql-no-backslash-escapes")
            destination.ConnectionString +=
                ";INITSTMT=SET SESSION sql_mode = CONCAT(@@sql_mode, ',NO_BACKSLASH_ESCAPES')";
        return testing::Transfer(source, destination, data::kImagesFlatFile, {true, root_ + "/images", uploads_});
    }
};

TEST_P(FlatFileRun, ReplacesTheCatalogueAndItsImages) {
    const testing::Outcome run = Import(Sheet());
    ASSERT_TRUE(run.succeeded) << run.log;
    db::Connection conn = shop_.Open();
    for (std::size_t i = 0; i < std::size(kCatalogue); ++i) EXPECT_EQ(Rows(conn, kCatalogue[i]), kExpected[i]);
    EXPECT_EQ(Files(uploads_), (std::map<std::string, std::string>{
                                   {"images_categories/1.gif", "tea-cat"}, {"images_products/1.png", "sencha"},
                                   {"images_categories_large/1.jpg", "tea-large"}, {"images_versions/2.GIF", "s250"},
                                   {"images_products/keep/x.txt", "kept"}}));
    EXPECT_THAT(run.log, HasSubstr("\r\nThe following problems were encountered;\r\n2 files named by the "
                                  "catalogue could not be found in the source image folder '" +
                                  root_ + "/images': missing1.gif and C:\\pics\\missing2.jpg.\r\n"));
}

TEST_P(FlatFileRun, AFailurePartWayLeavesRowsAndImagesAsTheyWere) {
    const testing::Outcome first = Import(Sheet());
    ASSERT_TRUE(first.succeeded) << first.log;
    db::Connection conn = shop_.Open();
    conn.Execute("CREATE UNIQUE INDEX qdt_one_name ON tblQuillmartVersions (V_Name1)")->Close();
    const Lines before = testing::Everything(conn);
    conn.Close();
    const auto files = Files(uploads_);

    // The sixth row's version repeats the first one's name: its insert fails
    // after every other table was written and images were staged.
    std::vector<Cells> sheet = Sheet();
    sheet[5][kVersionName] = "50 g";
    sheet[5][kVersionImage] = "images/tea.gif";
    const testing::Outcome run = Import(sheet);
    EXPECT_FALSE(run.succeeded);
    EXPECT_THAT(run.log, AllOf(HasSubstr("\r\nError occurred!\r\n"), HasSubstr("'J-1'"),
                               EndsWith("\r\nThe destination database was left unchanged.")));
    conn = shop_.Open();
    EXPECT_EQ(testing::Everything(conn), before);
    EXPECT_EQ(Files(uploads_), files);
    for (const auto& entry : fs::directory_iterator(uploads_))
        EXPECT_NE(entry.path().filename().string().rfind(".qdt-import", 0), 0u) << "a staging folder is left";
}

// Quotes, backslashes (a trailing one would end a MySQL literal early), an
// emoji and line breaks arrive as typed, whatever the server's sql_mode.
TEST_P(FlatFileRun, TextsArriveExactlyAsTyped) {
    const std::string nasty[] = {"Tea 'n' \\", "O'Brien \"best\" \\", "Mug \xF0\x9F\x8D\xB5\r\nline two\\",
                                 "C:\\new\\table\\", "\\'; --"};
    const testing::Outcome run = Import({Version({nasty[0]}, nasty[1], nasty[4],
                                                 {{kCategoryDesc, nasty[2]}, {kProductDesc, nasty[2]},
                                                  {kVersionName, nasty[3]}, {kVersionDesc, nasty[2]},
                                                  {kProductStrapLine, nasty[4]}})});
    ASSERT_TRUE(run.succeeded) << run.log;
    db::Connection conn = shop_.Open();
    EXPECT_EQ(Rows(conn, "SELECT PT_Name1, PT_Desc1 FROM tblQuillmartProdtype"), Lines{nasty[0] + "|" + nasty[2]});
    EXPECT_EQ(Rows(conn, "SELECT P_Name1, P_Desc1, P_StrapLine1 FROM tblQuillmartProducts"),
              Lines{nasty[1] + "|" + nasty[2] + "|" + nasty[4]});
    EXPECT_EQ(Rows(conn, "SELECT V_Name1, V_CodeNumber, V_Desc1 FROM tblQuillmartVersions"),
              Lines{nasty[3] + "|" + nasty[4] + "|" + nasty[2]});
}

// Only MySQL keeps tables that cannot roll back. The run names them before it
// writes, and after a failure names those it had begun to change; a source
// refused before any change leaves them unchanged, and says so.
TEST_P(FlatFileRun, TablesThatCannotRollBackAreNamed) {
    if (GetParam() != "mysql") GTEST_SKIP() << "only MySQL keeps tables that cannot roll back";
    db::Connection conn = shop_.Open();
    // The importers spell the category table tblQuillmartProdType; the shop, tblQuillmartProdtype.
    for (const char* sql : {"ALTER TABLE tblQuillmartProdtype ENGINE=MyISAM",
                            "ALTER TABLE tblQuillmartProducts ENGINE=MyISAM",
                            "CREATE UNIQUE INDEX qdt_one_name ON tblQuillmartVersions (V_Name1)"})
        conn.Execute(sql)->Close();
    std::vector<Cells> badNumber = Sheet(), twoNames = Sheet();
    badNumber[1][kPrice] = "12,50";
    twoNames[5][kVersionName] = "50 g";
    for (const auto& [sheet, lastLine] :
         {std::pair{badNumber, std::string("The destination database was left unchanged.")},
          std::pair{twoNames, std::string("The destination database was left unchanged, except for these tables, "
                                          "which cannot roll back and may have been changed: tblQuillmartProdtype, "
                                          "tblQuillmartProducts.")}}) {
        const testing::Outcome run = Import(sheet);
        EXPECT_FALSE(run.succeeded);
        EXPECT_EQ(run.warnings, "- These destination tables cannot roll back, so a failure part-way through the run "
                                "cannot be undone for them: tblQuillmartProdtype (MyISAM), tblQuillmartProducts "
                                "(MyISAM).\r\n");
        EXPECT_THAT(run.log, EndsWith("\r\n" + lastLine));
    }
}

INSTANTIATE_TEST_SUITE_P(Destinations, FlatFileRun,
                         ::testing::Values("sqlite", "mysql", "sqlite-trigger", "mysql-no-backslash-escapes"));

test::CannedResult Id(int id) { return {{"ID"}, {db::kInteger}, {{db::Value::Integer(id)}}}; }

class FlatFileStatements : public ::testing::Test {
protected:
    void SetUp() override {
        ctx.source.Kind = data::kExcel;
        ctx.source.Database = "C:\\shop\\catalogue.xls";
        ctx.source.SystemName = data::kSystemFlatFile;
        ctx.destination.Kind = data::kSqlServer;
        // The blank shop scripts spell the category table with a small t.
        destination
            .Tables({"tblQuillmartConfig", "tblQuillmartProdtype", "tblQuillmartProducts", "tblQuillmartVersions",
                     "tblQuillmartProductProdTypeLink", "tblQuillmartTaxRates"})
            .Answer("SELECT CFG_Value FROM tblQuillmartConfig WHERE CFG_Name = 'orderhandlingchargetaxband'",
                    {{"CFG_Value"}, {db::kVarWChar}, {{db::Value::Text("2")}}})
            .Answer("SELECT T_TaxRate FROM tblQuillmartTaxRates WHERE T_ID = 2",
                    {{"T_TaxRate"}, {db::kDouble}, {{db::Value::Double(17.5)}}})
            .Answer("SELECT CFG_Value FROM tblQuillmartConfig WHERE CFG_Name = 'shiptaxband'",
                    {{"CFG_Value"}, {db::kVarWChar}, {}});
        const std::string images = test::TempDir();
        std::ofstream(images + "/v.gif") << "GIF89a";
        uploads = test::TempDir();
        ctx.settings.ImageCopySettings[data::kImagesFlatFile] = {true, images, uploads};
    }

    std::vector<std::string> Import(const std::vector<Cells>& rows, std::size_t columns = kFlatFileColumns) {
        source.Answer("SELECT * FROM [Sheet1$]", CannedSheet(rows, columns));
        db::Connection s = source.Open(), d = destination.Open();
        ImportFlatFile(ctx, "[Sheet1$]", s, d);
        return destination.Statements();
    }

    run::TextStatus status;
    run::RunContext ctx{status};
    test::RecordingConnection source, destination;
    std::string uploads;
};

// The rows' values are left to the whole runs; here, the reads, clearing and
// read-backs in the destination's dialect, each once and in order.
TEST_F(FlatFileStatements, SqlServerImportReadsBackEachCategoryProductVersionAndRateOnce) {
    const char* pt = "SELECT TOP 1 PT_ID FROM tblQuillmartProdtype WHERE PT_Name1 = ";
    // The bands' rates are found as 41 and 44; any other row as 7.
    destination.Answer("SELECT TOP 1 T_ID FROM tblQuillmartTaxRates WHERE T_TaxRate = 17.5", Id(41))
        .Answer("SELECT TOP 1 T_ID FROM tblQuillmartTaxRates WHERE T_TaxRate = 0", Id(44))
        .AnswerPrefix("SELECT TOP 1", Id(7));

    std::vector<std::string> statements;
    for (const std::string& sql : Import({
             Version({"Tea", "Green"}, "Sencha", "S-100", {{kVersionImage, "v.gif"}}),
             // Same path and product: only a version; without an image its identity is not asked for.
             Version({"Tea", "Green"}, "Sencha", "S-250"),
             // Level 2 empty: Black hangs under Tea.
             Version({"Tea", "", "Black"}, "O'Brien's Assam", "A-1",
                     {{kTaxRate, "5"}, {kVersionLargeImage, "x.gif"}}),
         }))
        if (sql.rfind("INSERT INTO tblQuillmartP", 0) != 0 && sql.rfind("INSERT INTO tblQuillmartVersions", 0) != 0)
            statements.push_back(sql);

    const std::vector<std::string> expected = {
        "SELECT CFG_Value FROM tblQuillmartConfig WHERE CFG_Name = 'orderhandlingchargetaxband'",
        "SELECT T_TaxRate FROM tblQuillmartTaxRates WHERE T_ID = 2",
        "SELECT CFG_Value FROM tblQuillmartConfig WHERE CFG_Name = 'shiptaxband'",
        "DELETE FROM tblQuillmartProdtype",
        "DELETE FROM tblQuillmartProducts",
        "DELETE FROM tblQuillmartVersions",
        "DELETE FROM tblQuillmartProductProdTypeLink",
        "DELETE FROM tblQuillmartTaxRates",
        std::string(pt) + "'Tea' ORDER BY PT_ID DESC",
        std::string(pt) + "'Green' ORDER BY PT_ID DESC",
        "SELECT TOP 1 P_ID FROM tblQuillmartProducts WHERE P_Name1 = 'Sencha' ORDER BY P_ID DESC",
        "INSERT INTO tblQuillmartTaxRates (T_TaxRate) VALUES (17.5)",
        "SELECT TOP 1 T_ID FROM tblQuillmartTaxRates WHERE T_TaxRate = 17.5",
        "SELECT TOP 1 V_ID FROM tblQuillmartVersions WHERE V_CodeNumber = 'S-100' ORDER BY V_ID DESC",
        std::string(pt) + "'Black' ORDER BY PT_ID DESC",
        "SELECT TOP 1 P_ID FROM tblQuillmartProducts WHERE P_Name1 = 'O''Brien''s Assam' ORDER BY P_ID DESC",
        "INSERT INTO tblQuillmartTaxRates (T_TaxRate) VALUES (5)",
        "SELECT TOP 1 T_ID FROM tblQuillmartTaxRates WHERE T_TaxRate = 5",
        "SELECT TOP 1 V_ID FROM tblQuillmartVersions WHERE V_CodeNumber = 'A-1' ORDER BY V_ID DESC",
        // The order handling band's 17.5 was imported; shipping's 0 (no setting) was not.
        "UPDATE tblQuillmartConfig SET CFG_Value='41' WHERE CFG_Name = 'orderhandlingchargetaxband'",
        "INSERT INTO tblQuillmartTaxRates (T_TaxRate) VALUES (0)",
        "SELECT TOP 1 T_ID FROM tblQuillmartTaxRates WHERE T_TaxRate = 0",
        "UPDATE tblQuillmartConfig SET CFG_Value='44' WHERE CFG_Name = 'shiptaxband'",
    };
    EXPECT_EQ(statements, expected);
    EXPECT_EQ(status.txtStep2,
              "\r\nGetting order handling charge tax band value... done.\r\nGetting shipping tax band value... done."
              "\r\nGetting Record Count... 3\r\nDeleting records from destination tables... done."
              "\r\nDeleting old category, product and version images... done.\r\nProcessing Records... "
              "done.\r\nSetting order handling charge tax band value... done."
              "\r\nSetting shipping tax band value... done.");
    EXPECT_EQ(status.BarValue(run::Bar::Total), 100);
    EXPECT_EQ(destination.OpenResults(), 0);
    EXPECT_EQ(ctx.strWarnings, "1 file named by the catalogue could not be found in the source image folder '" +
                                   ctx.settings.ImageCopySettings[data::kImagesFlatFile].SourceDir +
                                   "': x.gif.\r\n");
}

// A refusal comes before anything is written (only the tax band reads run)
// and names file, row and column; an empty message means the sheet is accepted.
// The sheet is a good row S-1 and a row with one cell changed.
struct Refusal {
    const char* name;
    std::size_t column;
    const char* cell;
    std::string message;
    const char* code = "S-2";
    std::size_t columns = kFlatFileColumns;
};

class FlatFileRefusals : public FlatFileStatements, public ::testing::WithParamInterface<Refusal> {};

TEST_P(FlatFileRefusals, NameFileRowAndColumnAndChangeNothing) {
    const Refusal& r = GetParam();
    destination.AnswerPrefix("SELECT", Id(7));
    try {
        Import({Version({"Tea"}, "Sencha", "S-1"), Version({"Tea"}, "Sencha", r.code, {{r.column, r.cell}})},
               r.columns);
        EXPECT_EQ(r.message, "") << "the import was not refused";
        return;
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(e.what(), r.message);
    }
    for (const std::string& statement : destination.Statements())
        EXPECT_EQ(statement.rfind("SELECT ", 0), 0u) << statement;
    EXPECT_TRUE(std::filesystem::is_empty(uploads)) << "the staging folder is left";
}

const std::string kNotImported = " The catalogue was not imported.";
std::string AtRow3(const std::string& problem) {
    return "Row 3 of worksheet Sheet1 of 'C:\\shop\\catalogue.xls', column " + problem + kNotImported;
}
std::string Columns(const std::string& count) {
    return "worksheet Sheet1 of 'C:\\shop\\catalogue.xls' has " + count +
           " columns, but a catalogue needs 37, from column A (level 1 category name) to column AK (tax rate)." +
           kNotImported;
}

INSTANTIATE_TEST_SUITE_P(
    Cells, FlatFileRefusals,
    ::testing::Values(
        Refusal{"SqlInAPrice", kPrice, "0); DELETE FROM tblQuillmartConfig; --",
                AtRow3("AG (Price): the price '0); DELETE FROM tblQuillmartConfig; --' is not a number.")},
        Refusal{"EmptyQuantity", kQuantity, "", AtRow3("AH (Quantity): the quantity in stock is empty.")},
        Refusal{"BlankWeight", kWeight, "  ", AtRow3("AI (Weight): the weight is empty.")},
        Refusal{"DecimalComma", kRrp, "12,50",
                AtRow3("AJ (RRP): the recommended retail price '12,50' is not a number.")},
        Refusal{"PercentSign", kTaxRate, "17.5%", AtRow3("AK (Tax Rate): the tax rate '17.5%' is not a number.")},
        Refusal{"HalfAnItem", kQuantity, "2.5",
                AtRow3("AH (Quantity): the quantity in stock '2.5' is not a whole number.")},
        Refusal{"LongCellIsCut", kPrice, "1 UNION SELECT CFG_Value FROM tblQuillmartConfig",
                AtRow3("AG (Price): the price '1 UNION SELECT CFG_Value FROM tblQuillma...' is not a number.")},
        Refusal{"ThirtySixColumns", kPrice, "10", Columns("36"), "S-2", 36},
        Refusal{"NoColumns", kPrice, "10", Columns("0"), "S-2", 0},
        // Numbers nobody reads are not checked.
        Refusal{"ARepeatedCode", kPrice, "0); DROP TABLE x; --", "", "S-1"},
        Refusal{"ARowWithoutCode", kPrice, "n/a", "", ""}),
    [](const ::testing::TestParamInfo<Refusal>& info) { return info.param.name; });

// The table the run reads: the text file's own, the chosen worksheet, or the workbook's first.
struct TableChoice {
    std::string textTable;
    std::string worksheet;
    std::string read;
};

class FlatFileTables : public FlatFileStatements, public ::testing::WithParamInterface<TableChoice> {};

TEST_P(FlatFileTables, AreReadWholeOnce) {
    ctx.source.TextTable = GetParam().textTable;
    ctx.source.Server = GetParam().worksheet;
    source.Tables({"Prices$", "Sheet2$"}).AnswerPrefix("SELECT * FROM ", CannedSheet({Version({}, "P", "S")}));
    destination.AnswerPrefix("SELECT", Id(7));
    db::Connection s = source.Open(), d = destination.Open();
    ImportCatalogue(ctx, s, d);
    EXPECT_EQ(source.Statements(), std::vector<std::string>{GetParam().read});
    EXPECT_EQ(status.txtStep2.rfind("\r\nOpening file... done.\r\nGetting order handling", 0), 0u) << status.txtStep2;
    EXPECT_EQ(status.BarMax(run::Bar::Total), 100);
}

INSTANTIATE_TEST_SUITE_P(Sources, FlatFileTables,
                         ::testing::Values(TableChoice{"items.csv", "", "SELECT * FROM items.csv"},
                                           TableChoice{"", "Summer Prices", "SELECT * FROM [Summer Prices$]"},
                                           TableChoice{"", "", "SELECT * FROM [Prices$]"}));

// The number cells of a catalogue are placed bare in SQL, so only what the
// tool reads as a number may go there, and then only the text it writes.
TEST(CellNumber, OnlyANumberPassesAndInTheShortestTextThatReadsBack) {
    const auto literal = [](const char* cell) { return data::NumberLiteral(db::Value::Text(cell)); };
    for (const char* cell : {"inf", "-infinity", "nan", "0x1A", "1e", "1e+", "--1", "+-1", "1.2.3", ".", "1 000",
                             "12.5.", "1e5.5", "12abc", "0); --", "1\n2", "1e400", "1e-400", "\xd9\xa1"})
        EXPECT_FALSE(literal(cell)) << cell;
    for (const auto& [cell, written] : std::initializer_list<std::pair<const char*, const char*>>{
             {"0.1", "0.1"}, {" 17.50 ", "17.5"}, {"14.0", "14"}, {"1e21", "1e+21"},
             {"1.7976931348623157e308", "1.7976931348623157e+308"},
             {"2.2250738585072014E-308", "2.2250738585072014e-308"},
             {"0.30000000000000004", "0.30000000000000004"}})
        EXPECT_EQ(literal(cell), written) << cell;
}

}  // namespace
}  // namespace qdt::importers
