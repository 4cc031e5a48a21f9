#include "importers/VpaspCategories.h"

#include <stdexcept>
#include <unordered_map>

namespace qdt::importers {

namespace {

constexpr const char* kNotImported = " The catalogue was not imported.";

// The categories that lie on a circle of parents, in the order they were read.
std::vector<std::size_t> CircleMembers(const std::vector<VpaspCategory>& rows,
                                       const std::unordered_map<std::string, std::size_t>& index,
                                       const std::vector<bool>& written) {
    enum Mark : char { kUnseen, kOnPath, kDone };
    std::vector<Mark> mark(rows.size(), kUnseen);
    std::vector<bool> onCircle(rows.size(), false);
    for (std::size_t start = 0; start < rows.size(); ++start) {
        if (written[start] || mark[start] != kUnseen) continue;
        // Every row not written has a parent among the rows not written.
        std::vector<std::size_t> path;
        std::size_t at = start;
        while (mark[at] == kUnseen) {
            mark[at] = kOnPath;
            path.push_back(at);
            at = index.at(rows[at].parentId);
        }
        if (mark[at] == kOnPath)
            for (std::size_t k = path.size(); k-- > 0;) {
                onCircle[path[k]] = true;
                if (path[k] == at) break;
            }
        for (std::size_t node : path) mark[node] = kDone;
    }
    std::vector<std::size_t> members;
    for (std::size_t i = 0; i < rows.size(); ++i)
        if (onCircle[i]) members.push_back(i);
    return members;
}

}  // namespace

CategoryOrder OrderCategories(const std::vector<VpaspCategory>& rows) {
    std::unordered_map<std::string, std::size_t> index;
    for (std::size_t i = 0; i < rows.size(); ++i)
        if (!index.emplace(rows[i].id, i).second)
            throw std::runtime_error("The VPASP categories " + rows[index[rows[i].id]].Label() + " and " +
                                     rows[i].Label() + " have the same categoryid." + kNotImported);

    CategoryOrder result;
    std::vector<bool> written(rows.size(), false);
    std::unordered_map<std::string, std::vector<std::size_t>> waiting;  // parent id -> children read before it
    // Writes a category, then the children that waited for it, and theirs:
    // an explicit stack, so that a deep tree cannot exhaust the call stack.
    auto write = [&](std::size_t first) {
        std::vector<std::size_t> stack{first};
        while (!stack.empty()) {
            const std::size_t at = stack.back();
            stack.pop_back();
            result.order.push_back(at);
            written[at] = true;
            auto children = waiting.find(rows[at].id);
            if (children == waiting.end()) continue;
            stack.insert(stack.end(), children->second.rbegin(), children->second.rend());
            waiting.erase(children);
        }
    };
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const VpaspCategory& row = rows[i];
        if (row.TopLevel()) {
            write(i);
            continue;
        }
        auto parent = index.find(row.parentId);
        if (parent == index.end()) {
            result.orphans.push_back(i);
            write(i);
        } else if (written[parent->second]) {
            write(i);
        } else {
            waiting[row.parentId].push_back(i);
        }
    }
    if (result.order.size() == rows.size()) return result;

    std::string names;
    for (std::size_t member : CircleMembers(rows, index, written))
        names += (names.empty() ? "" : ", ") + rows[member].Label();
    throw std::runtime_error("The VPASP categories " + names +
                             " are each other's parents (highercategoryid) in a circle, so they have no place in "
                             "the category tree." + kNotImported);
}

}  // namespace qdt::importers
