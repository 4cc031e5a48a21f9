#include "sqlfile/ScriptSplitter.h"

#include "sqlfile/ScriptError.h"

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

const char* ConstructName(LexState state, ScriptSyntax syntax) {
    switch (state) {
        case LexState::SingleQuoted: return "a string";
        case LexState::DoubleQuoted: return syntax == ScriptSyntax::MySql ? "a string" : "a quoted name";
        case LexState::Bracketed: return "a name in brackets";
        case LexState::BackQuoted: return "a name in backticks";
        case LexState::BlockComment: return "a comment";
        case LexState::Code: break;
    }
    return "a quoted text";
}

class Splitter {
public:
    Splitter(std::string_view script, const ScriptRules& rules, const std::string& fileName)
        : script_(script), rules_(rules) {
        file_ = fileName.empty() ? std::string("the .SQL file") : "the .SQL file '" + fileName + "'";
    }

    std::vector<Batch> Split() {
        if (script_.empty()) return {};
        // One pass over the whole text; the line that holds the first bad byte is refused in its turn.
        if (rules_.utf8Only) invalidUtf8At_ = FindInvalidUtf8(script_);
        LexState state = LexState::Code;
        std::size_t lineNumber = 0;
        std::size_t openedOn = 0;
        for (std::size_t pos = 0; pos < script_.size();) {
            const LineSpan line = LineAt(script_, pos);
            const std::string_view text = script_.substr(line.begin, line.end - line.begin);
            ++lineNumber;
            if (invalidUtf8At_ >= line.begin && invalidUtf8At_ < line.end)
                Refuse(lineNumber, "holds bytes that are not UTF-8 text; save the file as UTF-8 (and dump "
                                   "binary columns with --hex-blob)");
            if (state == LexState::Code) {
                if (auto repeat = ParseBatchSeparator(text)) {
                    if (*repeat > kMaxBatchRepeat)
                        Refuse(lineNumber, "asks to repeat its batch more than " + std::to_string(kMaxBatchRepeat) +
                                               " times");
                    EndBatch(pos, static_cast<int>(*repeat));
                    batchStart_ = statementStart_ = pos = line.next;
                    continue;
                }
            }
            const LineScan scan = ScanLine(text, state, rules_.syntax);
            if (scan.strayNul) Refuse(lineNumber, "holds a NUL character outside a string");
            if (scan.opensHere) openedOn = lineNumber;
            if (scan.closesStatement && line.hasLineEnd()) {
                // The ";" is the line's last character, just before its end.
                statements_.push_back(script_.substr(statementStart_, line.end - 1 - statementStart_));
                statementStart_ = line.next;
            }
            state = scan.stateAfter;
            pos = line.next;
        }
        if (state != LexState::Code)
            throw ScriptError(Capitalised(file_) + " ends inside " + ConstructName(state, rules_.syntax) +
                              " that begins on line " + std::to_string(openedOn) + "; nothing of it was executed.");
        EndBatch(script_.size(), 1);
        return std::move(batches_);
    }

private:
    void EndBatch(std::size_t end, int repeat) {
        if (end > batchStart_) statements_.push_back(script_.substr(statementStart_, end - statementStart_));
        batches_.push_back({std::move(statements_), repeat});
        statements_.clear();
    }

    [[noreturn]] void Refuse(std::size_t lineNumber, const std::string& what) const {
        throw ScriptError("Line " + std::to_string(lineNumber) + " of " + file_ + " " + what +
                          "; nothing of it was executed.");
    }

    static std::string Capitalised(std::string text) {
        if (!text.empty() && text[0] >= 'a' && text[0] <= 'z') text[0] = static_cast<char>(text[0] - 'a' + 'A');
        return text;
    }

    std::string_view script_;
    ScriptRules rules_;
    std::string file_;
    std::vector<Batch> batches_;
    std::vector<std::string_view> statements_;
    std::size_t invalidUtf8At_ = std::string_view::npos;
    std::size_t batchStart_ = 0;
    std::size_t statementStart_ = 0;
};

}  // namespace

ScriptRules RulesFor(data::DatabaseKind kind) {
    return {SyntaxFor(kind), kind == data::kMySql || kind == data::kSqlServer};
}

std::vector<Batch> SplitScript(std::string_view script, const ScriptRules& rules, const std::string& fileName) {
    return Splitter(script, rules, fileName).Split();
}

bool IsBlankStatement(std::string_view statement) {
    return statement.find_first_not_of(" \t\r\n") == std::string_view::npos;
}

}  // namespace qdt::sqlfile
