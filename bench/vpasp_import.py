#!/usr/bin/env python3
"""Measures the VPASP catalogue import into MariaDB through the command-line companion.

  bench/vpasp_import.py [--build DIR] [--products 10000] [--runs 3] [--keep DIR]

Writes a VPASP shop as a SQLite file (tables as tests/fixtures/vpasp/vpasp_shop.py
makes them): 20 categories in two levels, N products each in one category, each
with three option groups of three options, one of them free, so 27 versions a
product (N = 10,000: 270,000 versions). Then imports it with the companion into
a blank 5.104 shop in the database qdt_bench_vpasp on the test MariaDB (made
afresh with the mariadb client before every run), at 10% and at 100% of N.

Each companion run is a child process timed with os.wait4: wall time from start
to exit (check, read, import, commit and close) and the child's own peak
resident set. Medians of --runs runs are printed, with the time per 1,000
versions, and the row counts are checked after each run.

MariaDB settings come from QDT_TEST_MYSQL_HOST/_PORT/_USER/_PASSWORD.
"""
import argparse
import os
import sqlite3
import statistics
import sys
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "tests", "fixtures", "vpasp"))
sys.dont_write_bytecode = True
import vpasp_shop  # noqa: E402
from benchkit import Mysql, load, timed  # noqa: E402

DATABASE = "qdt_bench_vpasp"
GROUPS = [("Colour", [("Red", 0.0), ("Blue", 1.0), ("Green", 2.0)]),
          ("Size", [("Small", 0.0), ("Medium", 1.5), ("Large", 3.0)]),
          ("Finish", [("Matt", 0.0), ("Gloss", 0.5), ("Satin", 0.75)])]
VERSIONS_PER_PRODUCT = 27


def make_shop(path, products):
    if os.path.exists(path):
        os.remove(path)
    db = sqlite3.connect(path)
    for statement in vpasp_shop.create_statements("sqlite"):
        db.execute(statement)
    categories = [(i, 0, f"Department {i}", "", "", "") for i in range(1, 5)]
    categories += [(i, 1 + i % 4, f"Shelf {i}", "Shelf", "", "") for i in range(5, 21)]
    features, numbers = [], []
    for g, (caption, options) in enumerate(GROUPS):
        for o, (name, price) in enumerate(options):
            number = 10 * (g + 1) + o
            features.append((number, caption, name, False, price, "", ""))
            numbers.append(str(number))
    rows = {
        "categories": categories,
        "configuration": [("xtaxbyproduct", "ctaxrate")],
        "products": [(n, f"Product {n}", "A product to measure with", "", "", n % 50, 0.25, 12.0, 9.99,
                      f"P{n}", ",".join(numbers), "", f"{n % products + 1}", False, "", "",
                      "0.175" if n % 2 else "0.05") for n in range(1, products + 1)],
        "ProdCategories": [(n, 5 + n % 16) for n in range(1, products + 1)],
        "prodfeatures": features,
    }
    for table, table_rows in rows.items():
        names = [name for name, _ in dict(vpasp_shop.TABLES)[table]]
        db.executemany(f"INSERT INTO {table} ({', '.join(names)}) VALUES ({', '.join('?' * len(names))})",
                       table_rows)
    db.commit()
    db.close()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", default=os.path.join(ROOT, "build"))
    parser.add_argument("--products", type=int, default=10000)
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--keep")
    args = parser.parse_args()
    cli = os.path.join(args.build, "src", "app", "quillmart-datatool-cli")
    blank = os.path.join(args.build, "tests", "fixtures", "quillmart", "mysql", "quillmart-5.104-blank.sql")
    work = args.keep or tempfile.mkdtemp(prefix="qdt-bench-vpasp-")
    my = Mysql()
    print(f"load before: {load()}")
    for share in (10, 100):
        products = args.products * share // 100
        versions = products * VERSIONS_PER_PRODUCT
        shop = os.path.join(work, f"vpasp-{products}.sqlite")
        make_shop(shop, products)
        companion = [cli, "copy", "--source-kind", "sqlite", "--source-file", shop] + my.dest_args(DATABASE)
        results = []
        for _ in range(args.runs):
            my.fresh(DATABASE, blank)
            results.append(timed(companion, my.env))
            counts = (my.count(DATABASE, "tblQuillmartProducts"), my.count(DATABASE, "tblQuillmartVersions"))
            if counts != (products, versions):
                sys.exit(f"expected {products} products and {versions} versions, found {counts}")
        seconds = statistics.median(r[0] for r in results)
        peak = max(r[1] for r in results)
        print(f"{share:3d}%: {products} products, {versions} versions: median {seconds:.1f} s "
              f"(runs {', '.join('%.1f' % r[0] for r in results)}), {seconds / versions * 1000:.3f} s per "
              f"1,000 versions, peak RSS {peak:.0f} MB")
    print(f"load after: {load()}")


if __name__ == "__main__":
    main()
