#pragma once

#include <string>

#include "db/DataType.h"
#include "db/Error.h"
#include "db/Value.h"

namespace qdt::db {

// One column of a recordset: its name as the source spells it, its type code,
// and the value in the current row.
class Field {
public:
    Field(std::string name, int type) : name_(std::move(name)), type_(type) {}

    const std::string& Name() const { return name_; }
    int Type() const { return type_; }
    // Reading a value with no current row is a caller's fault, reported as such.
    const db::Value& Value() const {
        if (!current_) throw DatabaseError("Either BOF or EOF is True: there is no current row to read '" + name_ + "' from.");
        return value_;
    }

    // For providers.
    void SetValue(db::Value v) {
        value_ = std::move(v);
        current_ = true;
    }
    void SetType(int type) { type_ = type; }
    void ClearCurrent() { current_ = false; }

private:
    std::string name_;
    int type_;
    db::Value value_;
    bool current_ = false;
};

}  // namespace qdt::db
