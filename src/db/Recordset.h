#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "db/Field.h"

namespace qdt::db {

// A forward-read result. Rows are fetched one at a time from the provider, so a
// table of any size can be walked without holding it in memory.
class Recordset {
public:
    virtual ~Recordset() = default;
    Recordset(const Recordset&) = delete;
    Recordset& operator=(const Recordset&) = delete;

    bool Eof() const { return eof_; }
    // True only for an empty result that has not been moved through.
    bool Bof() const { return bof_; }
    void MoveNext();
    // Starts again at the first row; may run the query again.
    void MoveFirst();
    void Close();

    std::size_t FieldCount() const { return fields_.size(); }
    const Field& Fields(std::size_t index) const;
    // Column names compare case-insensitively, as callers of such results expect.
    const Field& Fields(std::string_view name) const;
    const std::vector<Field>& AllFields() const { return fields_; }

protected:
    Recordset() = default;
    // Providers declare their columns in fields_, then call Start() once.
    void Start();
    // Loads the next row's values into fields_; false when there are no more rows.
    virtual bool FetchRow() = 0;
    // Prepares the provider so that the next FetchRow gives the first row.
    virtual void Rewind() = 0;
    // Frees the provider's resources; called at most once.
    virtual void Release() = 0;

    std::vector<Field> fields_;

private:
    void Advance();
    bool eof_ = true;
    bool bof_ = true;
    bool closed_ = false;
};

// A result with no columns and no rows, for statements that return nothing.
class EmptyRecordset final : public Recordset {
public:
    EmptyRecordset() { Start(); }

protected:
    bool FetchRow() override { return false; }
    void Rewind() override {}
    void Release() override {}
};

}  // namespace qdt::db
