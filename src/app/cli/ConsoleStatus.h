#pragma once

#include <chrono>
#include <cstdio>
#include <string>

#include "data/run/TextStatus.h"

namespace qdt::app {

// Prints each log addition to stdout as it happens, the window's "\r\n" line
// breaks as "\n". When stderr is a terminal it also keeps one progress line
// there, rewritten a few times a second: the table, its rows done, the speed
// and the time left.
class ConsoleStatus : public run::TextStatus {
public:
    // showProgress: stderr is a terminal; sharedTerminal: stdout is one too,
    // so the progress continues the log line under way instead of replacing it.
    ConsoleStatus(bool showProgress, bool sharedTerminal);
    ~ConsoleStatus() override;

    void AddMessage(const std::string& m) override;
    void AppendMessage(const std::string& m) override;
    void AppendMessageConnect(const std::string& m) override;
    void SetBarValue(run::Bar bar, double value) override;

    // Removes the progress line, so that what follows starts on a clean line.
    void ClearProgress();

private:
    using Clock = std::chrono::steady_clock;

    void Print(const std::string& m);
    void ShowProgress(Clock::time_point now);

    std::string ProgressLine(Clock::time_point now) const;

    bool showProgress_;
    bool sharedTerminal_;
    // What stdout's last line holds so far.
    std::string stdoutLine_;
    // The log line under way and when it began.
    std::string line_;
    Clock::time_point lineStart_;
    // Per-row updates of the current bar since the line began: the copy and
    // the comparison move it once per row.
    long rowsDone_ = 0;
    double lastPercent_ = 0;
    Clock::time_point lastShown_;
    std::size_t shownLength_ = 0;
};

}  // namespace qdt::app
