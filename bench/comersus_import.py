#!/usr/bin/env python3
"""Measures a Comersus catalogue import into MariaDB through the command-line companion.

  bench/comersus_import.py [--build DIR] [--products 10000] [--runs 3]

It writes a Comersus shop as a SQLite file (tests/fixtures/comersus/generate.py,
big_shop: N products in 100 categories, each with two option groups of three
options, so 16 versions each, one category link and one related product), then
for each run makes a blank 5.104 shop in the database qdt_bench_comersus on the
test MariaDB (the generated 5.104 blank script through the `mariadb` client)
and imports the shop into it with `quillmart-datatool-cli copy`.

Each run is a child process timed with os.wait4: wall time from start to exit
(check, import and commit) and the child's peak resident set. The rows written
are counted after every run. Medians of the runs are printed with the time per
1,000 versions and the load average before and after.

MariaDB settings come from QDT_TEST_MYSQL_HOST/_PORT/_USER/_PASSWORD (source the
env file of the test server). The database is dropped at the end.
"""
import argparse
import os
import sqlite3
import statistics
import sys
import tempfile

from benchkit import Mysql, load, timed

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
DATABASE = "qdt_bench_comersus"
TABLES = ["tblQuillmartProdtype", "tblQuillmartProducts", "tblQuillmartVersions",
          "tblQuillmartProductProdTypeLink", "tblQuillmartRelatedProducts"]


def generator():
    """The fixture generator, imported from its folder (it is a script, not a package)."""
    sys.dont_write_bytecode = True
    sys.path.insert(0, os.path.join(ROOT, "tests", "fixtures", "comersus"))
    import generate
    return generate


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build", default=os.path.join(ROOT, "build"))
    parser.add_argument("--products", type=int, default=10000)
    parser.add_argument("--runs", type=int, default=3)
    args = parser.parse_args()
    cli = os.path.join(args.build, "src", "app", "quillmart-datatool-cli")
    my = Mysql()
    blank = os.path.join(args.build, "tests", "fixtures", "quillmart", "mysql", "quillmart-5.104-blank.sql")

    with tempfile.TemporaryDirectory(prefix="qdt-comersus-bench-") as tmp:
        shop = os.path.join(tmp, "comersus.sqlite")
        gen = generator()
        conn = sqlite3.connect(shop)
        conn.executescript("BEGIN;\n" + gen.script(gen.big_shop(args.products), "sqlite") + "COMMIT;\n")
        conn.close()
        cmd = [cli, "copy", "--source-kind", "sqlite", "--source-file", shop] + my.dest_args(DATABASE)

        times, peaks, counts = [], [], None
        before = load()
        try:
            for run in range(args.runs):
                my.fresh(DATABASE, blank)
                seconds, peak = timed(cmd, my.env)
                counted = {t: my.count(DATABASE, t) for t in TABLES}
                if counts is not None and counted != counts:
                    sys.exit(f"run {run + 1} wrote {counted}, not {counts}")
                counts = counted
                times.append(seconds)
                peaks.append(peak)
                print(f"run {run + 1}: {seconds:.1f} s, peak {peak:.0f} MB", flush=True)
        finally:
            my.sql(f"DROP DATABASE IF EXISTS {DATABASE}")
        after = load()

    versions = counts["tblQuillmartVersions"]
    median = statistics.median(times)
    print(f"rows written: {counts}")
    print(f"{args.products} products, {versions} versions into MariaDB: median {median:.1f} s "
          f"(runs {', '.join(f'{t:.1f}' for t in times)}), peak memory {statistics.median(peaks):.0f} MB, "
          f"{median / versions * 1000:.2f} s per 1,000 versions")
    print(f"load average before {before}, after {after}")


if __name__ == "__main__":
    main()
