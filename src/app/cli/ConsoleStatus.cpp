#include "app/cli/ConsoleStatus.h"

#include <sys/ioctl.h>

#include <algorithm>
#include <cmath>

namespace qdt::app {

namespace {

constexpr auto kShowEvery = std::chrono::milliseconds(250);

int TerminalWidth() {
    winsize size{};
    if (ioctl(fileno(stderr), TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
    return 80;
}

std::string Duration(double seconds) {
    const long s = std::lround(seconds);
    if (s < 60) return std::to_string(s) + " s";
    if (s < 3600) return std::to_string(s / 60) + " min " + std::to_string(s % 60) + " s";
    return std::to_string(s / 3600) + " h " + std::to_string(s % 3600 / 60) + " min";
}

// The table a log line is working on ("Adding table tblX..."), or "".
std::string TableOfLogLine(const std::string& line) {
    for (const char* lead : {"Adding table ", "Comparing table "}) {
        const std::string prefix = lead;
        if (line.rfind(prefix, 0) != 0) continue;
        std::string name = line.substr(prefix.size());
        while (!name.empty() && name.back() == '.') name.pop_back();
        return name;
    }
    return {};
}

// "table 3 of 24, 1200 of 5000 rows, 850 rows/s, 5 s left". The rows of the
// table are worked out from the share done.
std::string ProgressText(double itemsDone, double itemsTotal, long rowsDone, double percent, double seconds) {
    std::string text = "table " + std::to_string(std::lround(itemsDone) + 1) + " of " +
                       std::to_string(std::lround(itemsTotal));
    if (rowsDone <= 0 || percent <= 0) return text;
    const long rowsTotal = std::max(rowsDone, std::lround(rowsDone * 100.0 / percent));
    text += ", " + std::to_string(rowsDone) + " of " + std::to_string(rowsTotal) + " rows";
    if (seconds < 0.2) return text;  // too early for a steady speed
    const double rate = rowsDone / seconds;
    text += ", " + std::to_string(std::lround(rate)) + " rows/s";
    if (rate > 0) text += ", " + Duration((rowsTotal - rowsDone) / rate) + " left";
    return text;
}

}  // namespace

ConsoleStatus::ConsoleStatus(bool showProgress, bool sharedTerminal)
    : showProgress_(showProgress), sharedTerminal_(sharedTerminal) {}

ConsoleStatus::~ConsoleStatus() { ClearProgress(); }

void ConsoleStatus::AddMessage(const std::string& m) {
    line_ = m;
    lineStart_ = Clock::now();
    rowsDone_ = 0;
    lastPercent_ = 0;
    TextStatus::AddMessage(m);
}

void ConsoleStatus::AppendMessage(const std::string& m) {
    TextStatus::AppendMessage(m);
    Print(m);
}

void ConsoleStatus::AppendMessageConnect(const std::string& m) {
    TextStatus::AppendMessageConnect(m);
    Print(m);
}

void ConsoleStatus::SetBarValue(run::Bar bar, double value) {
    TextStatus::SetBarValue(bar, value);
    if (bar != run::Bar::Current || !showProgress_) return;
    if (value <= 0) return;  // a table starts over
    ++rowsDone_;
    lastPercent_ = value;
    const Clock::time_point now = Clock::now();
    if (now - lastShown_ >= kShowEvery) ShowProgress(now);
}

std::string ConsoleStatus::ProgressLine(Clock::time_point now) const {
    const std::string table = TableOfLogLine(line_);
    if (table.empty()) return {};
    const double seconds = std::chrono::duration<double>(now - lineStart_).count();
    const std::string text =
        ProgressText(BarValue(run::Bar::Total), BarMax(run::Bar::Total), rowsDone_, lastPercent_, seconds);
    std::string shown = sharedTerminal_ ? stdoutLine_ + " " + text : table + ": " + text;
    // A line longer than the terminal wraps, and "\r" then cannot go back to its start.
    const auto width = static_cast<std::size_t>(TerminalWidth() - 1);
    if (shown.size() > width) shown.resize(width);
    return shown;
}

void ConsoleStatus::ShowProgress(Clock::time_point now) {
    lastShown_ = now;
    const std::string shown = ProgressLine(now);
    if (shown.empty()) return;
    std::string out = "\r" + shown;
    // Blanks over the end of a longer line shown before.
    if (shown.size() < shownLength_) out += std::string(shownLength_ - shown.size(), ' ');
    shownLength_ = shown.size();
    std::fwrite(out.data(), 1, out.size(), stderr);
    std::fflush(stderr);
}

void ConsoleStatus::ClearProgress() {
    if (shownLength_ == 0) return;
    // On a shared terminal the log line under way is written again, so that
    // what stdout adds next continues it.
    std::string out = "\r" + std::string(shownLength_, ' ') + "\r";
    if (sharedTerminal_) out += stdoutLine_;
    std::fwrite(out.data(), 1, out.size(), stderr);
    std::fflush(stderr);
    shownLength_ = 0;
}

void ConsoleStatus::Print(const std::string& m) {
    // stdout and stderr are often the same terminal: the log must not be
    // written into the middle of a progress line.
    ClearProgress();
    std::string out;
    for (std::size_t i = 0; i < m.size(); ++i) {
        if (m[i] == '\r' && i + 1 < m.size() && m[i + 1] == '\n') continue;
        out += m[i];
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
    std::fflush(stdout);
    const std::size_t lineEnd = out.rfind('\n');
    stdoutLine_ = lineEnd == std::string::npos ? stdoutLine_ + out : out.substr(lineEnd + 1);
}

}  // namespace qdt::app
