// How the wizard behaves while it copies a large table:
//   - time from the program's start to the first painted page;
//   - the longest time the window's event loop was blocked during the run
//     (a 5 ms timer notes how late each of its ticks comes);
//   - how often the log and the bars were repainted per second.
//
//   ui_responsiveness [rows]      (default 100000; offscreen unless a display is set)
#include <QAbstractScrollArea>
#include <QApplication>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "db/Connection.h"
#include "sqlfile/SqlFileRunner.h"
#include "data/run/TextStatus.h"
#include "wizard/ui/FrmMain.h"

namespace {

using Clock = std::chrono::steady_clock;
const Clock::time_point kStart = Clock::now();

double MsSince(Clock::time_point t) { return std::chrono::duration<double, std::milli>(Clock::now() - t).count(); }

std::string Shop(const std::string& folder, const std::string& script, const std::string& name) {
    const std::string path = folder + "/" + name;
    std::ofstream(path).close();
    qdt::db::Connection conn;
    conn.Open("Provider=SQLite;Data Source=" + path);
    std::ifstream file(std::string(QDT_SHOP_SCRIPTS_DIR) + "/sqlite/" + script, std::ios::binary);
    qdt::run::TextStatus status;
    qdt::run::RunContext ctx(status);
    qdt::sqlfile::ExecuteSQLFile(ctx, conn, file);
    return path;
}

void AddMailingListRows(const std::string& path, int rows) {
    qdt::db::Connection conn;
    conn.Open("Provider=SQLite;Data Source=" + path);
    conn.Execute("WITH RECURSIVE n(i) AS (SELECT 1000 UNION ALL SELECT i + 1 FROM n WHERE i < " +
                 std::to_string(999 + rows) +
                 ") INSERT INTO tblQuillmartMailingList (ML_ID, ML_Email, ML_HTML, ML_DateAdded) "
                 "SELECT i, 'reader' || i || '@example.com', 'y', '2006-01-02 03:04:05' FROM n");
}

// Counts paint events of the widgets the status writes to, and notes the first paint of any page.
class PaintCounter : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            if (firstPaintMs < 0) firstPaintMs = MsSince(kStart);
            if (counting && watched != window) ++statusPaints;
        }
        return false;
    }
    QObject* window = nullptr;
    double firstPaintMs = -1;
    bool counting = false;
    long statusPaints = 0;
};

}  // namespace

int main(int argc, char** argv) {
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY") && !std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const int rows = argc > 1 ? std::atoi(argv[1]) : 100000;

    QApplication app(argc, argv);
    PaintCounter painter;
    auto window = std::make_unique<qdt::wizard::ui::FrmMain>(QStringLiteral("v0.10"));
    painter.window = window.get();
    window->installEventFilter(&painter);
    for (const char* name : {"picStep0"})
        window->findChild<QWidget*>(QString::fromLatin1(name))->installEventFilter(&painter);
    window->show();
    QElapsedTimer guard;
    guard.start();
    while (painter.firstPaintMs < 0 && guard.elapsed() < 5000) app.processEvents(QEventLoop::AllEvents, 10);
    std::printf("time from start to the first painted page: %.1f ms\n", painter.firstPaintMs);

    QTemporaryDir dir;
    const std::string folder = dir.path().toStdString();
    Clock::time_point t = Clock::now();
    const std::string source = Shop(folder, "quillmart-4.6.sql", "source.sqlite");
    AddMailingListRows(source, rows);
    const std::string destination = Shop(folder, "quillmart-5.104-blank.sql", "destination.sqlite");
    std::printf("fixture: 4.6 shop with %d extra mailing-list rows, blank 5.104 shop (%.0f ms)\n", rows, MsSince(t));

    // To the confirmation page with the two files.
    window->SetDefaultFiles(qdt::data::kSqlite, source, destination);
    auto* next = window->findChild<QPushButton*>(QStringLiteral("cmdNext"));
    next->click();
    next->click();
    next->click();
    while (window->IsWorking()) app.processEvents(QEventLoop::AllEvents, 10);
    if (!next->isEnabled()) {
        std::fprintf(stderr, "the check failed:\n%s\n", window->StatusBridge().ConnectText().c_str());
        return 1;
    }

    for (const char* name : {"txtStep2", "barTotal", "barCurrent"}) {
        QWidget* w = window->findChild<QWidget*>(QString::fromLatin1(name));
        if (auto* area = qobject_cast<QAbstractScrollArea*>(w)) w = area->viewport();
        w->installEventFilter(&painter);
    }
    const auto before = window->StatusBridge().GetCounters();
    painter.counting = true;

    // The tick notes the longest gap between two consecutive ticks.
    constexpr int kTickMs = 5;
    double longestGap = 0;
    Clock::time_point lastTick = Clock::now();
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        longestGap = std::max(longestGap, MsSince(lastTick));
        lastTick = Clock::now();
    });

    t = Clock::now();
    next->click();  // the run starts
    lastTick = Clock::now();
    tick.start(kTickMs);
    while (window->IsWorking()) app.processEvents(QEventLoop::WaitForMoreEvents, 50);
    tick.stop();
    const double runMs = MsSince(t);
    painter.counting = false;
    const auto after = window->StatusBridge().GetCounters();

    const std::string log = window->StatusBridge().Step2Text();
    const bool ok = log.size() >= 25 && log.compare(log.size() - 25, 25, "Data Transfer Successful!") == 0;
    const double seconds = runMs / 1000.0;
    std::printf("run: %s in %.2f s\n", ok ? "Data Transfer Successful!" : "FAILED", seconds);
    std::printf("longest event-loop block: %.1f ms (gap between %d ms ticks, minus the tick)\n",
                std::max(0.0, longestGap - kTickMs), kTickMs);
    const long flushes = after.flushes - before.flushes;
    const long logUpdates = after.logUpdates - before.logUpdates;
    const long barUpdates = after.barUpdates - before.barUpdates;
    std::printf("status flushes that changed widgets: %ld (%.1f/s); log updates %ld, bar updates %ld (%.1f/s together)\n",
                flushes, flushes / seconds, logUpdates, barUpdates, (logUpdates + barUpdates) / seconds);
    std::printf("paint events of the log and the two bars: %ld (%.1f/s)\n", painter.statusPaints,
                painter.statusPaints / seconds);
    return ok ? 0 : 1;
}
