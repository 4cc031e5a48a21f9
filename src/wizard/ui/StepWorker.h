#pragma once

#include <QObject>

#include <functional>

#include "wizard/StepOutcome.h"

class QThread;

namespace qdt::wizard::ui {

// Runs the check or the run off the window's thread, so the window keeps
// painting. Finished() is emitted on the window's thread once the work has
// ended; the work reports only through the thread-safe status.
class StepWorker : public QObject {
    Q_OBJECT
public:
    using Job = std::function<StepOutcome()>;

    explicit StepWorker(QObject* parent = nullptr);
    ~StepWorker() override;

    // False (and nothing started) when work is already under way.
    bool Start(Job job);
    // From Start until Finished() has been emitted.
    bool IsRunning() const { return thread_ != nullptr; }
    // Blocks until the work's thread has ended; Finished() still follows.
    void Wait();
    // The last work's result.
    const StepOutcome& Outcome() const { return outcome_; }

signals:
    void Finished();

private:
    void OnThreadFinished();

    QThread* thread_ = nullptr;
    StepOutcome outcome_;
};

}  // namespace qdt::wizard::ui
