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
test ActinicSourceLoad (tests/importers/ActinicImportTest.cpp), which
imports the same shape at 5, 10 and 20 products through a counting connection.
"""
import argparse
import os
import sqlite3
import subprocess
import sys
import tempfile

from benchkit import Mysql, load, median, timed

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
DATABASE = "qdt_bench_actinic"


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
                    mysql.fresh(DATABASE, os.path.join(scripts, "mysql", "quillmart-5.104-blank.sql"))
                    dest, env = mysql.dest_args(DATABASE), mysql.env
                results.append(timed([cli, "copy", "--source-kind", "access", "--source-file", source] + dest, env,
                                     user=True))
                if kind == "sqlite":
                    db = sqlite3.connect(shop)
                    versions = db.execute("SELECT COUNT(*) FROM tblQuillmartVersions").fetchone()[0]
                    db.close()
                else:
                    versions = mysql.count(DATABASE, "tblQuillmartVersions")
                if versions != 16 * n:
                    sys.exit(f"{kind}: {versions} versions written, {16 * n} expected")
            wall, user, rss = median(results, 0), median(results, 1), median(results, 2)
            print(f"{kind:6} {n:6} products {16 * n:7} versions: {wall:7.1f} s wall, {user:6.1f} s user, "
                  f"{rss:6.1f} MB peak; {wall * 1000 / n:6.1f} ms per product; load {before} -> {load()}")


if __name__ == "__main__":
    main()
