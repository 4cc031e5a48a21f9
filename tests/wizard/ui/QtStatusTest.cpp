// The window's status: the same text as the engine's reference status, fed
// from another thread, and shown in coalesced steps.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QTest>
#include <thread>

#include "data/run/TextStatus.h"
#include "wizard/ui/QtStatus.h"

namespace qdt::wizard::ui {
namespace {

struct Shown {
    QPlainTextEdit step2, connect;
    QProgressBar total, current;
    QtStatus status;
    Shown() { status.Attach(&step2, &connect, &total, &current); }
};

TEST(QtStatus, WritesTheLogsAsTheReferenceStatusBarsTheirProportionAndYieldsUntilCancelled) {
    Shown w;
    run::TextStatus reference;
    for (run::Status* s : std::initializer_list<run::Status*>{&w.status, &reference}) {
        s->AddMessageConnect("Testing Access Database source connection... ");  // no break before the first
        s->AppendMessageConnect("done.");
        s->AddMessageConnect("Detecting version...");
        s->AddMessage("Connecting to source database... ");  // always a break before
        s->AppendMessage("done.");
        s->AppendMessage("");
        s->AddMessage("");
    }
    EXPECT_EQ(w.status.ConnectText(), reference.txtConnect);
    EXPECT_EQ(w.status.Step2Text(), reference.txtStep2);
    w.status.Flush();
    EXPECT_EQ(w.connect.toPlainText().toStdString(),
              "Testing Access Database source connection... done.\nDetecting version...");
    EXPECT_EQ(w.step2.toPlainText().toStdString(), "\nConnecting to source database... done.\n");
    // The caret sits at the end, so the newest line is in view.
    EXPECT_EQ(w.step2.textCursor().position(), w.step2.document()->characterCount() - 1);

    w.status.ClearMessagesConnect();
    w.status.AddMessageConnect("again");
    w.status.Flush();
    EXPECT_EQ(w.connect.toPlainText().toStdString(), "again");

    // Bars show the proportion of their maximum; a cancel request makes the
    // next yield throw, until it is reset.
    w.status.SetBarMax(run::Bar::Total, 24);
    w.status.SetBarValue(run::Bar::Total, 6);
    w.status.SetBarMax(run::Bar::Current, 0);  // a run with nothing selected
    w.status.SetBarValue(run::Bar::Current, 0);
    w.status.Flush();
    EXPECT_EQ(w.total.value() * 4, w.total.maximum());
    EXPECT_EQ(w.current.value(), 0);

    EXPECT_NO_THROW(w.status.Yield());
    w.status.RequestCancel();
    EXPECT_THROW(w.status.Yield(), run::OperationCancelled);
    w.status.ResetCancel();
    EXPECT_NO_THROW(w.status.Yield());
}

TEST(QtStatus, AWorkerFloodIsShownInAFewCoalescedUpdates) {
    Shown w;
    constexpr int kRows = 200000;
    QElapsedTimer clock;
    clock.start();
    std::atomic<bool> done{false};
    std::thread worker([&] {
        w.status.SetBarMax(run::Bar::Current, 100);
        for (int i = 1; i <= kRows; ++i) {
            w.status.SetBarValue(run::Bar::Current, i * 100.0 / kRows);
            if (i % 20000 == 0) w.status.AddMessage("row " + std::to_string(i));
            w.status.Yield();
        }
        done = true;
    });
    while (!done) QTest::qWait(5);
    worker.join();
    // The last changes arrive within one interval.
    QTest::qWait(2 * QtStatus::kFlushIntervalMs);
    const qint64 elapsed = clock.elapsed();

    EXPECT_EQ(w.step2.toPlainText().toStdString(),
              "\nrow 20000\nrow 40000\nrow 60000\nrow 80000\nrow 100000\nrow 120000\nrow 140000\nrow 160000\nrow "
              "180000\nrow 200000");
    EXPECT_EQ(w.current.value(), w.current.maximum());
    const QtStatus::Counters counters = w.status.GetCounters();
    // Never more than one update per interval (plus the one at attaching).
    EXPECT_LE(counters.flushes, elapsed / QtStatus::kFlushIntervalMs + 2);
    EXPECT_LT(counters.barUpdates, kRows / 100);
}

}  // namespace
}  // namespace qdt::wizard::ui
