#pragma once

#include <string>

#include "data/run/Cancellation.h"
#include "data/run/Progress.h"

namespace qdt::run {

enum class Bar { Total, Current };  // barTotal and barCurrent

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

}  // namespace qdt::run
