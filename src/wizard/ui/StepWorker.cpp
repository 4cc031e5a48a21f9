#include "wizard/ui/StepWorker.h"

#include <QThread>

namespace qdt::wizard::ui {

StepWorker::StepWorker(QObject* parent) : QObject(parent) {}

StepWorker::~StepWorker() {
    // The work holds references into the window; it must not outlive it.
    if (thread_) {
        thread_->wait();
        delete thread_;
    }
}

bool StepWorker::Start(Job job) {
    if (thread_) return false;
    thread_ = QThread::create([this, job = std::move(job)] {
        try {
            outcome_ = job();
        } catch (const std::exception& e) {
            // The check and the run catch their own failures; this is a last guard.
            outcome_ = StepOutcome{};
            outcome_.messageBox = e.what();
            outcome_.backEnabled = outcome_.cancelEnabled = true;
        } catch (...) {
            outcome_ = StepOutcome{};
            outcome_.messageBox = "An unexpected error occurred.";
            outcome_.backEnabled = outcome_.cancelEnabled = true;
        }
    });
    // Emitted on the work's thread, delivered on this object's (the window's) thread.
    connect(thread_, &QThread::finished, this, &StepWorker::OnThreadFinished, Qt::QueuedConnection);
    thread_->start();
    return true;
}

void StepWorker::Wait() {
    if (thread_) thread_->wait();
}

void StepWorker::OnThreadFinished() {
    if (!thread_) return;
    thread_->wait();
    delete thread_;
    thread_ = nullptr;
    emit Finished();
}

}  // namespace qdt::wizard::ui
