#include "sqlfile/ScriptSplitter.h"

#include "sqlfile/ScriptLexer.h"

namespace qdt::sqlfile {

namespace {

// One line of a text: [begin, end) without the line end, `next` just after it.
struct LineSpan {
    std::size_t begin = 0;
    std::size_t end = 0;
    std::size_t next = 0;
    bool hasLineEnd() const { return next > end; }
};

LineSpan LineAt(std::string_view text, std::size_t begin) {
    LineSpan span;
    span.begin = begin;
    std::size_t e = text.find_first_of("\r\n", begin);
    if (e == std::string_view::npos) {
        span.end = span.next = text.size();
    } else {
        span.end = e;
        span.next = e + ((text[e] == '\r' && e + 1 < text.size() && text[e + 1] == '\n') ? 2 : 1);
    }
    return span;
}

}  // namespace

std::vector<Batch> SplitBatches(std::string_view script) {
    std::vector<Batch> batches;
    if (script.empty()) return batches;
    std::size_t batchStart = 0;
    LexState state = LexState::Code;
    for (std::size_t pos = 0; pos < script.size();) {
        const LineSpan line = LineAt(script, pos);
        const std::string_view text = script.substr(line.begin, line.end - line.begin);
        if (state == LexState::Code) {
            if (auto repeat = ParseBatchSeparator(text)) {
                batches.push_back({std::string(script.substr(batchStart, pos - batchStart)), *repeat});
                batchStart = pos = line.next;
                continue;
            }
        }
        state = ScanLine(text, state).stateAfter;
        pos = line.next;
    }
    batches.push_back({std::string(script.substr(batchStart)), 1});
    return batches;
}

std::vector<std::string> SplitStatements(std::string_view batch) {
    std::vector<std::string> statements;
    if (batch.empty()) return statements;
    std::size_t statementStart = 0;
    LexState state = LexState::Code;
    for (std::size_t pos = 0; pos < batch.size();) {
        const LineSpan line = LineAt(batch, pos);
        const LineScan scan = ScanLine(batch.substr(line.begin, line.end - line.begin), state);
        if (scan.closesStatement && line.hasLineEnd()) {
            // The ";" is the line's last character, just before its end.
            statements.emplace_back(batch.substr(statementStart, line.end - 1 - statementStart));
            statementStart = line.next;
        }
        state = scan.stateAfter;
        pos = line.next;
    }
    statements.emplace_back(batch.substr(statementStart));
    return statements;
}

bool IsBlankStatement(std::string_view statement) {
    return statement.find_first_not_of(" \t\r\n") == std::string_view::npos;
}

}  // namespace qdt::sqlfile
