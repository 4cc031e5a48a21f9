#pragma once

#include <atomic>

#include "data/run/Status.h"

namespace qdt::run {

// Both logs as text, exactly as the window shows them ("\r\n" line breaks),
// and the bars as numbers. Cancel() makes the next Yield() throw.
class TextStatus : public Status {
public:
    void AddMessage(const std::string& strMessage) override { AppendMessage("\r\n" + strMessage); }
    void AppendMessage(const std::string& strMessage) override { txtStep2 += strMessage; }
    void AddMessageConnect(const std::string& strMessage) override {
        AppendMessageConnect(txtConnect.empty() ? strMessage : "\r\n" + strMessage);
    }
    void AppendMessageConnect(const std::string& strMessage) override { txtConnect += strMessage; }
    void ClearMessages() override { txtStep2.clear(); }
    void ClearMessagesConnect() override { txtConnect.clear(); }

    void SetBarMax(Bar bar, double max) override { Get(bar).max = max; }
    void SetBarValue(Bar bar, double value) override { Get(bar).value = value; }
    double BarMax(Bar bar) const override { return Get(bar).max; }
    double BarValue(Bar bar) const override { return Get(bar).value; }

    void Yield() override {
        ++yields;
        if (cancelRequested) throw OperationCancelled();
    }
    void Cancel() { cancelRequested = true; }

    std::string txtStep2;
    std::string txtConnect;
    long yields = 0;
    std::atomic<bool> cancelRequested{false};

private:
    struct BarState {
        double max = 100;
        double value = 0;
    };
    BarState& Get(Bar bar) { return bar == Bar::Total ? total_ : current_; }
    const BarState& Get(Bar bar) const { return bar == Bar::Total ? total_ : current_; }
    BarState total_, current_;
};

}  // namespace qdt::run
