#!/usr/bin/env python3
"""Measures the flat-file catalogue import through the command-line companion.

  bench/flatfile_import.py [--build DIR] [--sizes 10000,50000] [--runs 3] [--only sqlite|mysql]
                           [--keep DIR]

For each size N it writes a catalogue of N versions over N/5 products with five
category levels (scripts/make-catalogue bench), then imports it from CSV:

sqlite : into a blank 5.104 SQLite shop, made afresh before every run.
mysql  : into a blank 5.104 shop in the database qdt_bench on the test MariaDB.
         One untimed capture run with the server's general log on (as root
         through the server's socket; the log's file setting is put back
         afterwards) gives the statements the import's session sends. Its
         DELETEs and INSERTs go into a script inside START TRANSACTION ...
         COMMIT; a second script also holds its SELECTs (the identity reads)
         in place. Then paired runs alternate: blank shop, companion; blank
         shop, each script through the `mariadb` client. All use TCP to the
         same server as the same user. The row counts per table after each run
         are compared with the capture run's.

Each companion run is a child process timed with os.wait4: wall time from
start to exit (check, import and close) and the child's own peak resident set.
Medians of --runs runs are printed, with the time per 1,000 versions and the
load average before and after.

MariaDB settings come from QDT_TEST_MYSQL_HOST/_PORT/_USER/_PASSWORD (eval the
output of scripts/test-mariadb start); root access, for the general log, through
QDT_BENCH_ROOT_SOCKET (default: mysqld.sock in QDT_TEST_MYSQL_DIR).
"""
import argparse
import os
import re
import shutil
import sqlite3
import subprocess
import sys
import tempfile

import benchkit
from benchkit import load, median, paired, timed

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
TABLES = ["tblQuillmartProdtype", "tblQuillmartProducts", "tblQuillmartProductProdTypeLink",
          "tblQuillmartVersions", "tblQuillmartTaxRates"]
DATABASE = "qdt_bench"


class Mysql(benchkit.Mysql):
    def counts(self):
        sql = " UNION ALL ".join(f"SELECT '{t}', COUNT(*) FROM {t}" for t in TABLES)
        out = self.sql(sql, DATABASE)
        return dict((name, int(n)) for name, n in (line.split("\t") for line in out.splitlines()))


def sqlite_counts(path):
    db = sqlite3.connect(path)
    try:
        return {t: db.execute(f"SELECT COUNT(*) FROM {t}").fetchone()[0] for t in TABLES}
    finally:
        db.close()


ENTRY = re.compile(rb"^(?:\d{6} [ \d]\d:\d\d:\d\d)?\t\s*(\d+) ([A-Za-z][A-Za-z ]*?)\t(.*)$")


def import_session(log_path):
    """The statements of the session that sent the most INSERTs, in order, as
    (DELETEs and INSERTs, the same with the session's SELECTs among them).

    A general log entry starts with an optional time, a tab, the thread id and
    the command; a statement spanning lines continues on the following lines.
    The import clears the catalogue tables before it fills them; the blank shop
    has a tax rate, so the replay clears them too (five statements on almost
    empty tables) to end with the same rows. The SELECTs (the identity reads)
    are taken from the first DELETE on.
    """
    entries = []
    with open(log_path, "rb") as f:
        for line in f:
            m = ENTRY.match(line.rstrip(b"\n"))
            if m:
                entries.append([int(m.group(1)), m.group(2), m.group(3)])
            elif entries:
                entries[-1][2] += b"\n" + line.rstrip(b"\n")
    sessions = {}
    for thread, command, text in entries:
        verb = text.lstrip()[:6].upper()
        if command == b"Query" and verb in (b"INSERT", b"DELETE"):
            sessions.setdefault(thread, []).append((True, text))
        elif command == b"Execute" and verb == b"SELECT" and thread in sessions:
            sessions[thread].append((False, text))
    if not sessions:
        sys.exit(f"no INSERT in {log_path}")
    chosen = max(sessions.values(), key=lambda s: sum(t.lstrip()[:6].upper() == b"INSERT" for _, t in s))
    return [t for write, t in chosen if write], [t for _, t in chosen]


def write_script(path, statements):
    with open(path, "wb") as f:
        f.write(b"START TRANSACTION;\n")
        for text in statements:
            f.write(text + b";\n")
        f.write(b"COMMIT;\n")


def make_catalogue(path, versions):
    subprocess.run(["/usr/bin/python3", os.path.join(ROOT, "scripts", "make-catalogue"), "bench", path,
                    "--versions", str(versions), "--products", str(versions // 5)], check=True,
                   stdout=subprocess.DEVNULL)


def bench_sqlite(cli, blank, csv, versions, runs, work):
    shop = os.path.join(work, "shop.sqlite")
    results, counts = [], None
    for _ in range(runs):
        if os.path.exists(shop):
            os.remove(shop)
        with open(blank, "rb") as f:
            subprocess.run(["sqlite3", shop], stdin=f, check=True)
        results.append(timed([cli, "copy", "--source-kind", "text", "--source-file", csv,
                              "--dest-kind", "sqlite", "--dest-file", shop]))
        counts = sqlite_counts(shop)
    return results, counts


def bench_mysql(cli, blank, csv, versions, runs, work):
    my = Mysql()
    companion = [cli, "copy", "--source-kind", "text", "--source-file", csv] + my.dest_args(DATABASE)
    # A capture run gives the statements the peers replay.
    log = os.path.join(work, f"general-{versions}.log")
    my.fresh(DATABASE, blank)
    my.run_logged(companion, log)
    reference = my.counts()
    writes, everything = import_session(log)
    replay = os.path.join(work, f"replay-{versions}.sql")
    write_script(replay, writes)
    replay_all = os.path.join(work, f"replay-with-selects-{versions}.sql")
    write_script(replay_all, everything)
    ours, theirs, theirs_all = [], [], []
    for _ in range(runs):
        my.fresh(DATABASE, blank)
        ours.append(timed(companion, my.env))
        if my.counts() != reference:
            sys.exit(f"the import wrote other rows than the capture run: {my.counts()} != {reference}")
        for script, results in ((replay, theirs), (replay_all, theirs_all)):
            my.fresh(DATABASE, blank)
            with open(script, "rb") as f:
                results.append(timed(my.client(DATABASE), my.env, stdin=f))
            if my.counts() != reference:
                sys.exit(f"the replay {script} wrote other rows than the import: {my.counts()} != {reference}")
    my.sql(f"DROP DATABASE {DATABASE}")
    return ours, theirs, theirs_all, reference, len(writes), len(everything) - len(writes)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", default=os.path.join(ROOT, "build"))
    parser.add_argument("--sizes", default="10000,50000")
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--only", choices=["sqlite", "mysql"])
    parser.add_argument("--keep", help="work in this folder and keep it (catalogues, logs, replay scripts)")
    args = parser.parse_args()
    cli = os.path.abspath(os.path.join(args.build, "src", "app", "quillmart-datatool-cli"))
    scripts = os.path.join(args.build, "tests", "fixtures", "quillmart")
    if not os.path.exists(cli):
        sys.exit(f"build the companion first: {cli} is missing")
    work = os.path.abspath(args.keep) if args.keep else tempfile.mkdtemp(prefix="qdt-flatfile-")
    os.makedirs(work, exist_ok=True)
    # The general log is written by the server's user.
    os.chmod(work, 0o777)
    per1000 = {}
    try:
        for versions in (int(s) for s in args.sizes.split(",")):
            csv = os.path.join(work, f"catalogue-{versions}.csv")
            if not os.path.exists(csv):
                make_catalogue(csv, versions)
            print(f"{versions} versions, {versions // 5} products; load before: {load()}", flush=True)
            if args.only in (None, "sqlite"):
                results, counts = bench_sqlite(cli, os.path.join(scripts, "sqlite", "quillmart-5.104-blank.sql"),
                                               csv, versions, args.runs, work)
                t = median(results)
                per1000[("sqlite", versions)] = t / versions * 1000
                print(f"  sqlite: {t:.2f} s (runs {', '.join('%.2f' % r[0] for r in results)}), "
                      f"peak {max(r[1] for r in results):.1f} MB, {t / versions * 1000 * 1000:.1f} ms per 1,000 "
                      f"versions; rows {counts}", flush=True)
            if args.only in (None, "mysql"):
                ours, theirs, theirs_all, counts, n, selects = bench_mysql(cli, os.path.join(scripts, "mysql", "quillmart-5.104-blank.sql"),
                                                      csv, versions, args.runs, work)
                t, r = median(ours), median(theirs)
                per1000[("mysql", versions)] = t / versions * 1000
                print(f"  mysql: companion {t:.2f} s (runs {', '.join('%.2f' % x[0] for x in ours)}), "
                      f"peak {max(x[1] for x in ours):.1f} MB, {t / versions * 1000 * 1000:.1f} ms per 1,000 "
                      f"versions", flush=True)
                print(f"         replay of its {n} DELETEs and INSERTs in one transaction: {r:.2f} s "
                      f"(runs {', '.join('%.2f' % x[0] for x in theirs)}); ratio {t / r:.2f} "
                      f"(median of the paired runs' ratios {paired(ours, theirs):.2f}); "
                      f"rows {counts} (same after both)", flush=True)
                a = median(theirs_all)
                print(f"         replay with its {selects} SELECTs (identity reads) in place: {a:.2f} s "
                      f"(runs {', '.join('%.2f' % x[0] for x in theirs_all)}); ratio {t / a:.2f} "
                      f"(paired {paired(ours, theirs_all):.2f})", flush=True)
            print(f"  load after: {load()}", flush=True)
        for dest in ("sqlite", "mysql"):
            sizes = sorted(v for d, v in per1000 if d == dest)
            if len(sizes) >= 2:
                a, b = per1000[(dest, sizes[0])], per1000[(dest, sizes[-1])]
                print(f"{dest}: per 1,000 versions {a * 1000:.1f} ms at {sizes[0]}, {b * 1000:.1f} ms at "
                      f"{sizes[-1]} (x{b / a:.2f})")
    finally:
        if not args.keep:
            shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
