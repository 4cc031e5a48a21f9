#!/usr/bin/env python3
"""Measures the Actinic catalogue import through the command-line companion.

  bench/actinic_import.py [--build DIR] [--sizes 1000,5000] [--runs 1] [--only sqlite|mysql]

For each size N it writes an Actinic catalogue of N products, each with two
attributes of four choices on one component and a price rule per choice (16
versions a product), as a SQLite file read as an Access file
(tests/fixtures/actinic/generate.py --bench N), then imports it:

sqlite : into a blank 5.104 SQLite shop, made afresh before every run.
mysql  : into a blank 5.104 shop in the database qdt_bench_actinic on the test
         MariaDB (QDT_TEST_MYSQL_HOST/_PORT/_USER/_PASSWORD), made afresh
         before every run.

Each companion run is a child process timed with os.wait4: wall time from
start to exit (check, import and close), the child's user time and its peak
resident set. The versions written are counted after each run. Medians of
--runs runs are printed with the load average before and after.

The statements the import sends to its source per product are counted by the
test ActinicSourceLoad (tests/importers/ActinicSourceLoadTest.cpp), which
imports the same shape at 5, 10 and 20 products through a counting connection.
"""
import argparse
import os
import sqlite3
import statistics
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
DATABASE = "qdt_bench_actinic"


def load():
    return "%.2f %.2f %.2f" % os.getloadavg()


def timed(cmd, env=None):
    """Runs cmd as a child; returns (wall seconds, user seconds, peak RSS in MB)."""
    start = time.perf_counter()
    proc = subprocess.Popen(cmd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, env=env)
    out = proc.stdout.read()
    _, status, usage = os.wait4(proc.pid, 0)
    elapsed = time.perf_counter() - start
    proc.stdout.close()
    code = os.waitstatus_to_exitcode(status)
    if code != 0:
        sys.exit(f"failed ({code}): {' '.join(cmd)}\n{out.decode(errors='replace')[-2000:]}")
    return elapsed, usage.ru_utime, usage.ru_maxrss / 1024.0


class Mysql:
    def __init__(self):
        e = os.environ
        self.host = e.get("QDT_TEST_MYSQL_HOST", "127.0.0.1")
        self.port = e.get("QDT_TEST_MYSQL_PORT", "3307")
        self.user = e.get("QDT_TEST_MYSQL_USER", "qdt")
        self.password = e.get("QDT_TEST_MYSQL_PASSWORD", "qdt-test")
        self.env = dict(e, MYSQL_PWD=self.password, QDT_DEST_PASSWORD=self.password)

    def client(self, database=None):
        cmd = ["mariadb", "--no-defaults", f"--host={self.host}", f"--port={self.port}", f"--user={self.user}",
               "--default-character-set=utf8mb4"]
        return cmd + ([database] if database else [])

    def blank(self, script):
        subprocess.run(self.client() + ["-e", f"DROP DATABASE IF EXISTS {DATABASE}; CREATE DATABASE {DATABASE} "
                                              "CHARACTER SET utf8mb4"], env=self.env, check=True)
        with open(script, "rb") as f:
            subprocess.run(self.client(DATABASE), stdin=f, env=self.env, check=True)

    def versions(self):
        out = subprocess.run(self.client(DATABASE) + ["--batch", "--skip-column-names", "-e",
                                                      "SELECT COUNT(*) FROM tblQuillmartVersions"],
                             env=self.env, check=True, capture_output=True).stdout.decode()
        return int(out.strip())

    def dest_args(self):
        return ["--dest-kind", "mysql", "--dest-server", self.host, "--dest-port", self.port,
                "--dest-database", DATABASE, "--dest-user", self.user]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", default=os.path.join(ROOT, "build"))
    parser.add_argument("--sizes", default="1000,5000")
    parser.add_argument("--runs", type=int, default=1)
    parser.add_argument("--only", choices=["sqlite", "mysql"])
    args = parser.parse_args()
    cli = os.path.join(args.build, "src", "app", "quillmart-datatool-cli")
    scripts = os.path.join(args.build, "tests", "fixtures", "quillmart")
    work = tempfile.mkdtemp(prefix="qdt-actinic-bench-")
    mysql = Mysql()

    for n in (int(s) for s in args.sizes.split(",")):
        subprocess.run([sys.executable, os.path.join(ROOT, "tests", "fixtures", "actinic", "generate.py"), work,
                        "--bench", str(n)], check=True)
        source = os.path.join(work, f"bench-{n}.sqlite")
        for kind in ("sqlite", "mysql"):
            if args.only and args.only != kind:
                continue
            results = []
            before = load()
            for _ in range(args.runs):
                if kind == "sqlite":
                    shop = os.path.join(work, "shop.sqlite")
                    open(shop, "w").close()
                    subprocess.run([cli, "execute-sql", "--source-kind", "sqlite", "--source-file", shop, "--script",
                                    os.path.join(scripts, "sqlite", "quillmart-5.104-blank.sql")],
                                   check=True, capture_output=True)
                    dest, env = ["--dest-kind", "sqlite", "--dest-file", shop], None
                else:
                    mysql.blank(os.path.join(scripts, "mysql", "quillmart-5.104-blank.sql"))
                    dest, env = mysql.dest_args(), mysql.env
                results.append(timed([cli, "copy", "--source-kind", "access", "--source-file", source] + dest, env))
                if kind == "sqlite":
                    db = sqlite3.connect(shop)
                    versions = db.execute("SELECT COUNT(*) FROM tblQuillmartVersions").fetchone()[0]
                    db.close()
                else:
                    versions = mysql.versions()
                if versions != 16 * n:
                    sys.exit(f"{kind}: {versions} versions written, {16 * n} expected")
            wall = statistics.median(r[0] for r in results)
            user = statistics.median(r[1] for r in results)
            rss = statistics.median(r[2] for r in results)
            print(f"{kind:6} {n:6} products {16 * n:7} versions: {wall:7.1f} s wall, {user:6.1f} s user, "
                  f"{rss:6.1f} MB peak; {wall * 1000 / n:6.1f} ms per product; load {before} -> {load()}")


if __name__ == "__main__":
    main()
