#include "db/Recordset.h"

#include <string>

#include "db/Error.h"
#include "db/Text.h"

namespace qdt::db {

void Recordset::Start() {
    closed_ = false;
    Advance();
    bof_ = eof_;
}

void Recordset::Advance() {
    if (FetchRow()) {
        eof_ = false;
    } else {
        eof_ = true;
        for (Field& f : fields_) f.ClearCurrent();
    }
}

void Recordset::MoveNext() {
    if (closed_) throw DatabaseError("Operation is not allowed when the result is closed.");
    if (eof_) throw DatabaseError("Either BOF or EOF is True: there is no next row.");
    bof_ = false;
    Advance();
}

void Recordset::MoveFirst() {
    if (closed_) throw DatabaseError("Operation is not allowed when the result is closed.");
    Rewind();
    Start();
}

void Recordset::Close() {
    if (closed_) return;
    closed_ = true;
    eof_ = true;
    for (Field& f : fields_) f.ClearCurrent();
    Release();
}

const Field& Recordset::Fields(std::size_t index) const {
    if (index >= fields_.size())
        throw DatabaseError("Item " + std::to_string(index) +
                            " cannot be found in the collection corresponding to the requested name or ordinal.");
    return fields_[index];
}

const Field& Recordset::Fields(std::string_view name) const {
    for (const Field& f : fields_)
        if (EqualsIgnoreCase(f.Name(), name)) return f;
    throw DatabaseError("Item '" + std::string(name) +
                        "' cannot be found in the collection corresponding to the requested name or ordinal.");
}

}  // namespace qdt::db
