#pragma once

#include <QObject>
#include <QTimer>

#include <atomic>
#include <mutex>
#include <string>

#include "data/run/Status.h"

class QPlainTextEdit;
class QProgressBar;

namespace qdt::wizard::ui {

// The engine's status, shown in the window. The engine may call it from a
// worker thread: every call only changes a mutex-protected copy of the two
// logs and bars, and a timer on the window's thread copies what changed into
// the widgets at most once per interval, so a copy of many thousand rows
// repaints a few times a second instead of once per row.
// Engine text ("\r\n" line breaks, UTF-8) as the widgets show it.
QString ForDisplay(const std::string& text);

class QtStatus : public QObject, public run::Status {
    Q_OBJECT
public:
    static constexpr int kFlushIntervalMs = 50;

    explicit QtStatus(QObject* parent = nullptr);

    // The widgets to keep up to date; any may be null.
    void Attach(QPlainTextEdit* txtStep2, QPlainTextEdit* txtConnect, QProgressBar* barTotal,
                QProgressBar* barCurrent);

    void AddMessage(const std::string& strMessage) override;
    void AppendMessage(const std::string& strMessage) override;
    void AddMessageConnect(const std::string& strMessage) override;
    void AppendMessageConnect(const std::string& strMessage) override;
    void ClearMessages() override;
    void ClearMessagesConnect() override;
    void SetBarMax(run::Bar bar, double max) override;
    void SetBarValue(run::Bar bar, double value) override;
    double BarMax(run::Bar bar) const override;
    double BarValue(run::Bar bar) const override;
    void Yield() override;

    // The next Yield() throws run::OperationCancelled; ResetCancel() before new work.
    void RequestCancel() { cancel_ = true; }
    void ResetCancel() { cancel_ = false; }
    bool CancelRequested() const { return cancel_; }

    // The logs exactly as the engine wrote them ("\r\n" line breaks).
    std::string Step2Text() const;
    std::string ConnectText() const;

    // Copies pending changes to the widgets now (window thread only).
    void Flush();

    // How often the widgets were changed, for measuring.
    struct Counters {
        long flushes = 0;     // flushes that changed at least one widget
        long logUpdates = 0;  // log boxes changed
        long barUpdates = 0;  // bars whose shown position changed
    };
    Counters GetCounters() const { return counters_; }

private:
    struct Log {
        std::string text;
        std::size_t shown = 0;       // how much of text the widget holds
        unsigned generation = 0;     // bumped on clear: the widget must start over
        unsigned shownGeneration = 0;
    };
    struct BarState {
        double max = 100;
        double value = 0;
    };
    struct LogChange {
        bool any = false;
        bool restart = false;
        std::string text;
    };

    void Append(Log& log, const std::string& text);
    void Clear(Log& log);
    BarState& Get(run::Bar bar) { return bar == run::Bar::Total ? total_ : current_; }
    const BarState& Get(run::Bar bar) const { return bar == run::Bar::Total ? total_ : current_; }
    void MarkDirty();  // caller holds mutex_
    static LogChange TakeChange(Log& log);
    void Show(QPlainTextEdit* box, const LogChange& change);
    void Show(QProgressBar* bar, const BarState& state);

    mutable std::mutex mutex_;
    Log step2_, connect_;
    BarState total_, current_;
    bool barsDirty_ = true;
    bool flushScheduled_ = false;
    std::atomic<bool> cancel_{false};

    QTimer timer_;
    QPlainTextEdit* txtStep2_ = nullptr;
    QPlainTextEdit* txtConnect_ = nullptr;
    QProgressBar* barTotal_ = nullptr;
    QProgressBar* barCurrent_ = nullptr;
    Counters counters_;
};

}  // namespace qdt::wizard::ui
