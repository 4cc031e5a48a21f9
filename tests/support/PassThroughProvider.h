#pragma once

#include <memory>
#include <string>

#include "db/Connection.h"

namespace qdt::test {

// Passes the basic calls on to a real provider; a test overrides the ones it
// watches. Rows are not bound and groups not sent unless a test says so, so
// by default every statement reaches the engine as its text.
class PassThroughProvider : public db::ConnectionProvider {
public:
    explicit PassThroughProvider(std::unique_ptr<db::ConnectionProvider> inner) : inner_(std::move(inner)) {}
    std::unique_ptr<db::Recordset> Execute(const std::string& sql) override { return inner_->Execute(sql); }
    std::unique_ptr<db::Recordset> OpenSchemaTables() override { return inner_->OpenSchemaTables(); }
    void Close() override { inner_->Close(); }
    void BeginTrans() override { inner_->BeginTrans(); }
    void CommitTrans() override { inner_->CommitTrans(); }
    void RollbackTrans() override { inner_->RollbackTrans(); }

protected:
    std::unique_ptr<db::ConnectionProvider> inner_;
};

}  // namespace qdt::test
