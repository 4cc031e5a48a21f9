#pragma once

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "db/Connection.h"
#include "importers/CheckedNumber.h"

namespace qdt::importers::testing {

// The generated Quillmart 5 shop scripts have no parent column for
// categories and name the versions' product column V_ProductID, while every
// importer writes PT_MotherProdType and V_Product: the shops the tests import
// into get both.
inline const std::vector<std::string> kSqliteCatalogueColumns = {
    "ALTER TABLE tblQuillmartProdtype ADD COLUMN PT_MotherProdType INTEGER",
    "ALTER TABLE tblQuillmartVersions RENAME COLUMN V_ProductID TO V_Product"};
inline const std::vector<std::string> kMySqlCatalogueColumns = {
    "ALTER TABLE tblQuillmartProdtype ADD COLUMN PT_MotherProdType INT",
    "ALTER TABLE tblQuillmartVersions CHANGE V_ProductID V_Product INT"};

inline std::vector<std::vector<db::Value>> Rows(db::Connection& conn, const std::string& sql) {
    std::vector<std::vector<db::Value>> rows;
    auto rs = conn.Execute(sql);
    for (; !rs->Eof(); rs->MoveNext()) {
        std::vector<db::Value> row;
        for (const db::Field& f : rs->AllFields()) row.push_back(f.Value());
        rows.push_back(std::move(row));
    }
    rs->Close();
    return rows;
}

inline std::string Number(const db::Value& v) { return v.IsNull() ? "NULL" : NumberLiteral(v.ToDouble()); }

// The imported catalogue told by names rather than identities, so that two
// engines (and a run that got its identities wrong) can be compared.
struct Catalogue {
    std::vector<std::string> categories, products, versions, links, rates, bands;
    std::map<std::string, long long> categoryId, productId, versionId;
};

inline Catalogue ReadCatalogue(db::Connection& conn, const std::string& prodTypeTable) {
    Catalogue c;
    std::map<long long, std::pair<long long, std::string>> tree;
    const auto categories =
        Rows(conn, "SELECT PT_ID, PT_MotherProdType, PT_Name1, PT_Desc1, PT_Live, PT_ProductDisplayType, "
                   "PT_ProdTypeDisplayType, PT_OrderByValue, PT_OrderProductsBy FROM " + prodTypeTable);
    for (const auto& r : categories) tree[r[0].ToInteger()] = {r[1].ToInteger(), r[2].ToText()};
    auto path = [&](long long id) {
        std::string p;
        for (int depth = 0; id != 0 && depth < 10; ++depth) {
            auto it = tree.find(id);
            if (it == tree.end()) return "<" + std::to_string(id) + ">" + p;
            p = "/" + it->second.second + p;
            id = it->second.first;
        }
        return p;
    };
    for (const auto& r : categories) {
        c.categoryId[path(r[0].ToInteger())] = r[0].ToInteger();
        c.categories.push_back(path(r[0].ToInteger()) + "|" + r[3].ToText() + "|" + r[4].ToText() + r[5].ToText() +
                               r[6].ToText() + "|" + r[7].ToText() + "|" + r[8].ToText());
    }
    std::map<long long, std::string> productName;
    for (const auto& r : Rows(conn, "SELECT P_ID, P_Name1, P_Desc1, P_StrapLine1, P_SpecTable1, P_Hyperlink1, P_Live, "
                                    "P_Featured, P_OrderByValue, P_OrderVersionsBy, P_VersionDisplayType "
                                    "FROM tblQuillmartProducts")) {
        productName[r[0].ToInteger()] = r[1].ToText();
        c.productId[r[1].ToText()] = r[0].ToInteger();
        std::string text;
        for (std::size_t i = 1; i < r.size(); ++i) text += (i > 1 ? "|" : "") + r[i].ToText();
        c.products.push_back(text);
    }
    std::map<long long, std::string> rate;
    for (const auto& r : Rows(conn, "SELECT T_ID, T_TaxRate FROM tblQuillmartTaxRates")) {
        rate[r[0].ToInteger()] = Number(r[1]);
        c.rates.push_back(Number(r[1]));
    }
    for (const auto& r : Rows(conn, "SELECT V_ID, V_CodeNumber, V_Name1, V_Desc1, V_Price, V_Weight, V_RRP, V_Quantity, "
                                    "V_Product, V_Tax, V_Live, V_DownLoadInfo, V_DownloadType, V_OrderByValue "
                                    "FROM tblQuillmartVersions")) {
        c.versionId[r[1].ToText()] = r[0].ToInteger();
        c.versions.push_back(r[1].ToText() + "|" + r[2].ToText() + "|" + r[3].ToText() + "|" + Number(r[4]) + "|" +
                             Number(r[5]) + "|" + Number(r[6]) + "|" + Number(r[7]) + "|" +
                             productName[r[8].ToInteger()] + "|" + rate[r[9].ToInteger()] + "|" + r[10].ToText() +
                             r[11].ToText() + r[12].ToText() + r[13].ToText());
    }
    for (const auto& r : Rows(conn, "SELECT * FROM tblQuillmartProductProdTypeLink"))
        c.links.push_back(productName[r[0].ToInteger()] + "@" + path(r[1].ToInteger()));
    for (const char* key : {"orderhandlingchargetaxband", "shiptaxband"})
        for (const auto& r : Rows(conn, std::string("SELECT CFG_Value FROM tblQuillmartConfig WHERE CFG_Name = '") +
                                            key + "'"))
            c.bands.push_back(std::string(key) + "=" + rate[r[0].ToInteger()]);
    for (auto* list : {&c.categories, &c.products, &c.versions, &c.links, &c.rates}) std::sort(list->begin(), list->end());
    return c;
}

// Every row of the tables an import touches, as text: equal dumps, unchanged tables.
inline std::vector<std::string> Dump(db::Connection& conn, const std::string& prodTypeTable) {
    std::vector<std::string> dump;
    for (const std::string& table : {prodTypeTable, std::string("tblQuillmartProducts"),
                                     std::string("tblQuillmartVersions"), std::string("tblQuillmartProductProdTypeLink"),
                                     std::string("tblQuillmartTaxRates"), std::string("tblQuillmartConfig")})
        for (const auto& row : Rows(conn, "SELECT * FROM " + table)) {
            std::string text = table;
            for (const db::Value& v : row) text += "|" + (v.IsNull() ? std::string("NULL") : v.ToText());
            dump.push_back(text);
        }
    std::sort(dump.begin(), dump.end());
    return dump;
}

}  // namespace qdt::importers::testing
