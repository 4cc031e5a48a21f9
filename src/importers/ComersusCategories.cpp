#include "importers/ComersusCategories.h"

#include <stdexcept>
#include <string>
#include <unordered_set>
#include <vector>

#include "data/Statement.h"
#include "importers/ComersusSource.h"

namespace qdt::importers {

namespace {

struct Category {
    std::int32_t id = 0;
    std::int32_t parentId = 0;
    bool top = false;
    std::string name;
    std::string image;
    bool live = false;
    std::int32_t order = 0;
};

std::string Where(std::int32_t id, const std::string& name) {
    return "category " + std::to_string(id) + " ('" + name + "')";
}

// The children of one category, in the order the source gives them,
// pushed so that the first comes off the stack first.
void PushChildren(db::Connection& source, ImportFrame& frame, std::int32_t parentId, bool top,
                  std::vector<Category>& stack) {
    auto rows = data::ExecuteStatement(
        frame.Context(), source,
        "SELECT idCategory, categoryDesc, imageCategory, active, displayOrder FROM categories WHERE "
        "idParentCategory = " +
            std::to_string(parentId) + " AND categoryDesc <> 'Root'");
    std::vector<Category> children;
    for (; !rows->Eof(); rows->MoveNext()) {
        Category c;
        c.parentId = parentId;
        c.top = top;
        c.name = rows->Fields("categoryDesc").Value().ToText();
        const std::string where = "category '" + c.name + "' (under category " + std::to_string(parentId) + ")";
        c.id = ComersusId(*rows, "idCategory", where);
        c.image = rows->Fields("imageCategory").Value().ToText();
        c.live = ComersusTrue(rows->Fields("active").Value());
        c.order = ComersusWhole(ComersusNumberOrZero(*rows, "displayOrder", Where(c.id, c.name)), "displayOrder",
                                Where(c.id, c.name));
        children.push_back(std::move(c));
        frame.Yield();
    }
    rows->Close();
    stack.insert(stack.end(), std::make_move_iterator(children.rbegin()), std::make_move_iterator(children.rend()));
}

}  // namespace

void ImportComersusCategories(db::Connection& source, ImportFrame& frame, ComersusIdMap& categoryMap,
                              std::int32_t parentId, bool isTop) {
    run::Status& status = frame.Context().status;
    const std::string& table = frame.Table(kProdTypeTable);
    std::unordered_set<std::int32_t> walked{parentId};
    std::vector<Category> stack;
    PushChildren(source, frame, parentId, isTop, stack);
    while (!stack.empty()) {
        const Category c = std::move(stack.back());
        stack.pop_back();
        // Ids that repeat would make the walk go round for ever.
        if (!walked.insert(c.id).second)
            throw std::runtime_error("The Comersus " + Where(c.id, c.name) +
                                     " is met twice in the category tree: its idCategory is used by more than one "
                                     "category, or by the Root category.");
        const std::int32_t parent = c.top ? 0 : categoryMap.at(c.parentId);
        const std::string name = frame.TextLiteral(c.name, kProdTypeTable, "PT_Name1");
        const std::int32_t id = frame.Insert(
            kProdTypeTable,
            "INSERT INTO " + table +
                " (PT_MotherProdType,PT_Live,PT_Name1,PT_Desc1,PT_ProductDisplayType,PT_ProdTypeDisplayType,"
                "PT_OrderByValue,PT_OrderProductsBy) VALUES (" +
                std::to_string(parent) + ",'" + (c.live ? "y" : "n") + "'," + name + "," +
                frame.TextLiteral(c.name, kProdTypeTable, "PT_Desc1") + ",'e','n'," + std::to_string(c.order) +
                ",'')",
            frame.FirstRow("PT_ID", table + " WHERE PT_Name1=" + name + " ORDER BY PT_ID DESC"));
        categoryMap[c.id] = id;
        frame.CopyImage(c.image, "images_categories", id);
        frame.Yield();
        PushChildren(source, frame, c.id, false, stack);
        status.SetBarValue(run::Bar::Current, status.BarValue(run::Bar::Current) + 1);
        frame.Yield();
    }
}

}  // namespace qdt::importers
