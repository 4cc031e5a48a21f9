#include "wizard/ui/QtStatus.h"

#include <QPlainTextEdit>
#include <QProgressBar>
#include <QScrollBar>
#include <QTextCursor>
#include <algorithm>
#include <cmath>

namespace qdt::wizard::ui {

namespace {

// The bars count in ten-thousandths of their maximum, so a fractional maximum
// and value still show their proportion.
constexpr int kBarSteps = 10000;

}  // namespace

QString ForDisplay(const std::string& text) {
    QString s = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return s;
}

QtStatus::QtStatus(QObject* parent) : QObject(parent) {
    timer_.setSingleShot(true);
    timer_.setInterval(kFlushIntervalMs);
    connect(&timer_, &QTimer::timeout, this, &QtStatus::Flush);
}

void QtStatus::Attach(QPlainTextEdit* txtStep2, QPlainTextEdit* txtConnect, QProgressBar* barTotal,
                      QProgressBar* barCurrent) {
    txtStep2_ = txtStep2;
    txtConnect_ = txtConnect;
    barTotal_ = barTotal;
    barCurrent_ = barCurrent;
    for (QProgressBar* bar : {barTotal, barCurrent}) {
        if (bar) bar->setRange(0, kBarSteps);
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        step2_.shownGeneration = step2_.generation - 1;
        connect_.shownGeneration = connect_.generation - 1;
        barsDirty_ = true;
    }
    Flush();
}

void QtStatus::MarkDirty() {
    if (flushScheduled_) return;
    flushScheduled_ = true;
    // Posted, so that a call from the worker thread starts the timer on the window's thread.
    QMetaObject::invokeMethod(
        this, [this] { if (!timer_.isActive()) timer_.start(); }, Qt::QueuedConnection);
}

void QtStatus::Append(Log& log, const std::string& text) {
    std::lock_guard<std::mutex> lock(mutex_);
    log.text += text;
    MarkDirty();
}

void QtStatus::Clear(Log& log) {
    std::lock_guard<std::mutex> lock(mutex_);
    log.text.clear();
    log.shown = 0;
    ++log.generation;
    MarkDirty();
}

void QtStatus::AddMessage(const std::string& strMessage) { AppendMessage("\r\n" + strMessage); }
void QtStatus::AppendMessage(const std::string& strMessage) { Append(step2_, strMessage); }

void QtStatus::AddMessageConnect(const std::string& strMessage) {
    std::lock_guard<std::mutex> lock(mutex_);
    // The check's log starts without an empty first line.
    connect_.text += connect_.text.empty() ? strMessage : "\r\n" + strMessage;
    MarkDirty();
}

void QtStatus::AppendMessageConnect(const std::string& strMessage) { Append(connect_, strMessage); }
void QtStatus::ClearMessages() { Clear(step2_); }
void QtStatus::ClearMessagesConnect() { Clear(connect_); }

void QtStatus::SetBarMax(run::Bar bar, double max) {
    std::lock_guard<std::mutex> lock(mutex_);
    Get(bar).max = max;
    barsDirty_ = true;
    MarkDirty();
}

void QtStatus::SetBarValue(run::Bar bar, double value) {
    std::lock_guard<std::mutex> lock(mutex_);
    Get(bar).value = value;
    barsDirty_ = true;
    MarkDirty();
}

double QtStatus::BarMax(run::Bar bar) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return Get(bar).max;
}

double QtStatus::BarValue(run::Bar bar) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return Get(bar).value;
}

void QtStatus::Yield() {
    if (cancel_) throw run::OperationCancelled();
}

std::string QtStatus::Step2Text() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return step2_.text;
}

std::string QtStatus::ConnectText() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return connect_.text;
}

QtStatus::LogChange QtStatus::TakeChange(Log& log) {
    LogChange change;
    if (log.shownGeneration != log.generation) {
        change = {true, true, log.text};
    } else if (log.shown < log.text.size()) {
        change = {true, false, log.text.substr(log.shown)};
    }
    log.shown = log.text.size();
    log.shownGeneration = log.generation;
    return change;
}

void QtStatus::Flush() {
    LogChange step2, connectLog;
    BarState total, current;
    bool bars;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        flushScheduled_ = false;
        step2 = TakeChange(step2_);
        connectLog = TakeChange(connect_);
        bars = barsDirty_;
        barsDirty_ = false;
        total = total_;
        current = current_;
    }
    const Counters before = counters_;
    Show(txtStep2_, step2);
    Show(txtConnect_, connectLog);
    if (bars) {
        Show(barTotal_, total);
        Show(barCurrent_, current);
    }
    if (counters_.logUpdates != before.logUpdates || counters_.barUpdates != before.barUpdates) ++counters_.flushes;
}

void QtStatus::Show(QPlainTextEdit* box, const LogChange& change) {
    if (!box || !change.any) return;
    if (change.restart) {
        box->setPlainText(ForDisplay(change.text));
    } else {
        QTextCursor end(box->document());
        end.movePosition(QTextCursor::End);
        end.insertText(ForDisplay(change.text));
    }
    // The caret goes to the end, so the box shows the newest text.
    QTextCursor caret = box->textCursor();
    caret.movePosition(QTextCursor::End);
    box->setTextCursor(caret);
    box->ensureCursorVisible();
    ++counters_.logUpdates;
}

void QtStatus::Show(QProgressBar* bar, const BarState& state) {
    if (!bar) return;
    int position = 0;
    if (state.max > 0 && std::isfinite(state.value)) {
        double ratio = std::clamp(state.value / state.max, 0.0, 1.0);
        position = static_cast<int>(std::lround(ratio * kBarSteps));
    }
    if (bar->value() == position) return;
    bar->setValue(position);
    ++counters_.barUpdates;
}

}  // namespace qdt::wizard::ui
