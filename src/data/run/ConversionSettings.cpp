#include "data/run/ConversionSettings.h"

#include <algorithm>

namespace qdt::data {

bool SelectionList::Set(const std::string& key, const std::string& value) {
    for (auto& [k, v] : entries_)
        if (k == key) {
            v = value;
            return true;
        }
    return false;
}

bool SelectionList::Contains(const std::string& key) const { return Get(key) != nullptr; }

const std::string* SelectionList::Get(const std::string& key) const {
    for (const auto& [k, v] : entries_)
        if (k == key) return &v;
    return nullptr;
}

void SelectionList::RemoveUnselected() {
    std::erase_if(entries_, [](const auto& e) { return e.second != "y"; });
}

}  // namespace qdt::data
