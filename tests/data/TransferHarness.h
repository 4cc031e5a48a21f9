#pragma once

#include <string>
#include <vector>

#include "data/run/RunContext.h"
#include "data/run/TextStatus.h"
#include "db/DataType.h"
#include "support/RecordingConnection.h"

namespace qdt::data::testing {

// Keeps every barCurrent position, not only the last, and asks to stop once
// that bar has moved cancelAtMove times.
class BarTrackingStatus : public run::TextStatus {
public:
    void SetBarValue(run::Bar bar, double value) override {
        if (bar == run::Bar::Current) currentBar.push_back(value);
        if (static_cast<long>(currentBar.size()) == cancelAtMove) Cancel();
        TextStatus::SetBarValue(bar, value);
    }
    std::vector<double> currentBar;
    long cancelAtMove = -1;
};

// A run context between two recording connections: the source answers the
// count and the rows of the tables a test gives it, the destination writes
// down what it is told.
struct RecordedTransfer {
    RecordedTransfer(DatabaseKind destinationKind, float sourceVersion, float destinationVersion) {
        ctx.source.Kind = kAccess;
        ctx.source.Version = sourceVersion;
        ctx.destination.Kind = destinationKind;
        ctx.destination.Version = destinationVersion;
    }

    // The source holds table with these rows (columns and types as given).
    void SourceTable(const std::string& table, test::CannedResult rows) {
        test::CannedResult count{{"Recs"}, {db::kInteger}, {{db::Value::Integer(static_cast<long>(rows.rows.size()))}}};
        source.Answer("SELECT COUNT(*) As Recs From " + table, std::move(count));
        source.Answer("SELECT * FROM " + table, std::move(rows));
    }

    // The source's destination (country) table knows name as number id.
    void SourceCountry(const std::string& name, int id) {
        source.Answer("SELECT D_ID FROM tblQuillmartDestination WHERE D_Destination = '" + name + "'",
                      {{"D_ID"}, {db::kInteger}, {{db::Value::Integer(id)}}});
    }

    void SourceSetting(const std::string& name, const std::string& value) {
        source.Answer("SELECT CFG_Value FROM tblQuillmartConfig WHERE CFG_Name = '" + name + "'",
                      {{"CFG_Value"}, {db::kVarWChar}, {{db::Value::Text(value)}}});
    }

    // The destination statements that start with prefix, in order.
    std::vector<std::string> Written(const std::string& prefix) const {
        std::vector<std::string> out;
        for (const std::string& s : destination.Statements())
            if (s.rfind(prefix, 0) == 0) out.push_back(s);
        return out;
    }

    BarTrackingStatus status;
    run::RunContext ctx{status};
    test::RecordingConnection source;
    test::RecordingConnection destination;
    db::Connection sourceConn = source.Open();
    db::Connection destinationConn = destination.Open();
};

}  // namespace qdt::data::testing
