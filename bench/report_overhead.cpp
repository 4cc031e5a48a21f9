// What the run report and its verification cost on a large copy: a 4.6 shop
// with 100,000 extra mailing-list rows copied into a blank 5.104 shop, run
// after run, alternately without a report and with one (the verification's
// counts, the JSON and the summary). Paired runs, so that a machine that
// slows down for a while weighs on both; prints each pair and the medians,
// of the wall time and of the process's CPU time (which other programs on a
// busy machine disturb far less). It also times the report's own parts
// directly: the destination's counts taken again, the JSON and the summary.
//
//   report_overhead [pairs] [rows]      (default 7 pairs, 100000 rows)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

#include <time.h>
#include <unistd.h>

#include "data/run/TextStatus.h"
#include "db/Connection.h"
#include "sqlfile/SqlFileRunner.h"
#include "wizard/ConnectionCheck.h"
#include "wizard/TransferRun.h"
#include "wizard/report/RunReport.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

double CpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

struct Timing {
    double wall = 0;
    double cpu = 0;
    double parts = 0;  // the report's own parts, timed alone (with a report only)
};

std::string Shop(const fs::path& folder, const std::string& script, const std::string& name) {
    const std::string path = (folder / name).string();
    std::ofstream(path).close();
    qdt::db::Connection conn;
    conn.Open("Provider=SQLite;Data Source=" + path);
    std::ifstream file(std::string(QDT_SHOP_SCRIPTS_DIR) + "/sqlite/" + script, std::ios::binary);
    qdt::run::TextStatus status;
    qdt::run::RunContext ctx(status);
    qdt::sqlfile::ExecuteSQLFile(ctx, conn, file);
    return path;
}

qdt::data::ConnectionProfile Side(const std::string& path) {
    qdt::data::ConnectionProfile p;
    p.Kind = qdt::data::kSqlite;
    p.Database = path;
    p.DateDelimiter = "'";
    return p;
}

// One whole check and run into a fresh copy of the blank shop; seconds of the run.
Timing OneRun(const std::string& source, const std::string& blank, const fs::path& folder, bool withReport) {
    const fs::path dest = folder / "dest.sqlite";
    fs::copy_file(blank, dest, fs::copy_options::overwrite_existing);
    qdt::run::TextStatus status;
    qdt::run::RunContext ctx(status);
    ctx.source = Side(source);
    ctx.destination = Side(dest.string());
    if (!qdt::wizard::RunConnectionCheck(ctx).succeeded) std::exit(1);
    qdt::wizard::report::RunReport report;
    const auto start = Clock::now();
    const double cpuStart = CpuSeconds();
    bool ok = false;
    if (withReport) {
        ok = qdt::wizard::RunTransfer(ctx, {false, &report}).succeeded;
        const std::string json = qdt::wizard::report::ToJson(report);
        const std::string summary = qdt::wizard::report::Summary(report);
        ok &= !json.empty() && !summary.empty() && !report.VerificationMismatch();
    } else {
        ok = qdt::wizard::RunTransfer(ctx).succeeded;
    }
    Timing timing;
    timing.wall = std::chrono::duration<double>(Clock::now() - start).count();
    timing.cpu = CpuSeconds() - cpuStart;
    if (!ok) {
        std::fprintf(stderr, "the run failed:%s\n", status.txtStep2.c_str());
        std::exit(1);
    }
    if (withReport) {
        const auto partsStart = Clock::now();
        qdt::db::Connection dest;
        dest.Open("Provider=SQLite;Data Source=" + ctx.destination.Database);
        for (const auto& t : report.tables) dest.Execute("SELECT COUNT(*) FROM " + t.table)->Close();
        dest.Close();
        const std::string json = qdt::wizard::report::ToJson(report);
        const std::string summary = qdt::wizard::report::Summary(report);
        timing.parts = std::chrono::duration<double>(Clock::now() - partsStart).count();
        if (json.empty() || summary.empty()) std::exit(1);
    }
    return timing;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
    const int pairs = argc > 1 ? std::atoi(argv[1]) : 7;
    const int rows = argc > 2 ? std::atoi(argv[2]) : 100000;
    const fs::path folder = fs::temp_directory_path() / ("qdt-report-overhead-" + std::to_string(getpid()));
    fs::create_directories(folder);
    const std::string source = Shop(folder, "quillmart-4.6.sql", "source.sqlite");
    const std::string blank = Shop(folder, "quillmart-5.104-blank.sql", "blank.sqlite");
    {
        qdt::db::Connection conn;
        conn.Open("Provider=SQLite;Data Source=" + source);
        conn.Execute("WITH RECURSIVE n(i) AS (SELECT 1000 UNION ALL SELECT i + 1 FROM n WHERE i < " +
                     std::to_string(999 + rows) +
                     ") INSERT INTO tblQuillmartMailingList (ML_ID, ML_Email, ML_HTML, ML_DateAdded) "
                     "SELECT i, 'reader' || i || '@example.com', 'y', '2006-01-02 03:04:05' FROM n");
    }
    std::vector<double> without, with, ratios, cpuWithout, cpuWith, cpuRatios, shares;
    for (int i = 0; i < pairs; ++i) {
        // The order alternates, so that neither side always runs on a warm cache.
        const bool reportFirst = i % 2 == 1;
        const Timing a = OneRun(source, blank, folder, reportFirst);
        const Timing b = OneRun(source, blank, folder, !reportFirst);
        const Timing& plain = reportFirst ? b : a;
        const Timing& reported = reportFirst ? a : b;
        without.push_back(plain.wall);
        with.push_back(reported.wall);
        ratios.push_back(reported.wall / plain.wall);
        cpuWithout.push_back(plain.cpu);
        cpuWith.push_back(reported.cpu);
        cpuRatios.push_back(reported.cpu / plain.cpu);
        shares.push_back(reported.parts / reported.wall);
        std::printf("pair %d: wall without %.3f s, with %.3f s (ratio %.3f); cpu without %.3f s, with %.3f s "
                    "(ratio %.3f); report parts %.4f s\n",
                    i + 1, plain.wall, reported.wall, reported.wall / plain.wall, plain.cpu, reported.cpu,
                    reported.cpu / plain.cpu, reported.parts);
    }
    std::printf("wall: median without %.3f s, with %.3f s; median of the pairs' ratios %.3f (%+.1f%%)\n",
                Median(without), Median(with), Median(ratios), (Median(ratios) - 1) * 100);
    std::printf("cpu:  median without %.3f s, with %.3f s; median of the pairs' ratios %.3f (%+.1f%%)\n",
                Median(cpuWithout), Median(cpuWith), Median(cpuRatios), (Median(cpuRatios) - 1) * 100);
    std::printf("the report's parts alone: median %.2f%% of a run's wall time\n", Median(shares) * 100);
    fs::remove_all(folder);
    return 0;
}
