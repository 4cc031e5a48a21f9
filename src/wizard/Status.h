#pragma once

#include <stdexcept>
#include <string>

namespace qdt::wizard {

// The user asked the work to stop; thrown from Yield().
class OperationCancelled : public std::runtime_error {
public:
    OperationCancelled() : std::runtime_error("The operation was cancelled.") {}
};

enum class Bar { Total, Current };  // barTotal and barCurrent

// The share done, in single precision as the bars have always shown it. A
// count taken before the rows were read may be stale or 0: never past 100.
inline float Percent(double done, double total) {
    if (total <= 0) return 100.0f;
    const float share = static_cast<float>(done) / static_cast<float>(total) * 100.0f;
    return share > 100.0f ? 100.0f : share;
}

// How the engine reports: two logs, two progress bars and a yield point.
// The wizard implements it with its window, the command-line companion and
// the tests with text.
class Status {
public:
    virtual ~Status() = default;

    // The run's log: a new line ("\r\n" + message), always.
    virtual void AddMessage(const std::string& strMessage) = 0;
    // The run's log: continues the current line.
    virtual void AppendMessage(const std::string& strMessage) = 0;
    // The check's log: a new line, without a line break before the first.
    virtual void AddMessageConnect(const std::string& strMessage) = 0;
    virtual void AppendMessageConnect(const std::string& strMessage) = 0;
    // Empty the run's log (txtStep2) and the check's log (txtConnect).
    virtual void ClearMessages() = 0;
    virtual void ClearMessagesConnect() = 0;

    virtual void SetBarMax(Bar bar, double max) = 0;
    virtual void SetBarValue(Bar bar, double value) = 0;
    virtual double BarMax(Bar bar) const = 0;
    virtual double BarValue(Bar bar) const = 0;

    // Lets the window breathe; throws OperationCancelled when the user asked to stop.
    virtual void Yield() = 0;
};

}  // namespace qdt::wizard
