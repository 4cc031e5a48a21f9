#!/usr/bin/env python3
"""Measures Data Copy and Execute SQL through the command-line companion against their peers.

  bench/copy_speed.py [--build DIR] [--routes mysql,sqlite,script-sqlite,script-mysql]
                      [--sizes 100000,1000000] [--runs 3] [--script-mb 50] [--keep DIR]

mysql         : a 5.104 shop whose products table (32 columns: numbers, texts,
                prices, dates) holds N rows is copied into a blank 5.104 shop,
                MariaDB to MariaDB, by `quillmart-datatool-cli copy`. Peers:
                (a) the companion's own DELETEs and INSERTs, taken from the
                server's general log of one untimed capture run, replayed by
                the `mariadb` client inside START TRANSACTION ... COMMIT;
                (b) `mariadb-dump` of the source (multi-row INSERTs) piped into
                `mariadb`.
sqlite        : the same shop in SQLite files, copied by the companion; peer:
                `sqlite3 SOURCE .dump` (one transaction) replayed by `sqlite3`
                into an empty file.
script-sqlite : a script of about --script-mb MB (a table and single-row
                INSERTs inside one transaction) run by `execute-sql` and by
                `sqlite3 FILE < SCRIPT`.
script-mysql  : the same for MariaDB, against `mariadb DATABASE < SCRIPT`.

Runs are paired: companion, then peer, each on a fresh destination, --runs
times; medians and the median of the paired ratios are printed. After every
run the destination's products (or script) table is compared with the first
run's by row count and a checksum of its rows, so every peer writes the same
rows. Time is the wall time of the child process; peak memory is the
companion's own maximum resident set, taken by /usr/bin/time on the child (not
this Python process).

MariaDB settings come from QDT_TEST_MYSQL_HOST/_PORT/_USER/_PASSWORD; root
access (for the general log) through $QDT_TEST_MYSQL_DIR/mysqld.sock.
"""
import argparse
import hashlib
import os
import re
import shutil
import sqlite3
import subprocess
import sys
import tempfile
import time

import benchkit
from benchkit import load, median, paired

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BIG = "tblQuillmartProducts"
SRC_DB, DST_DB = "qdt_bench_src", "qdt_bench_dst"


def timed(cmd, env=None, stdin=None, shell=False):
    """Runs cmd under /usr/bin/time; returns (seconds, the child's own peak RSS in MB)."""
    with tempfile.NamedTemporaryFile("r", suffix=".time") as t:
        wrapped = ["/usr/bin/time", "-f", "%M", "-o", t.name] + (["sh", "-c", cmd] if shell else cmd)
        start = time.perf_counter()
        proc = subprocess.run(wrapped, stdin=stdin, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, env=env)
        elapsed = time.perf_counter() - start
        if proc.returncode != 0:
            sys.exit(f"failed ({proc.returncode}): {cmd}\n{proc.stderr.decode(errors='replace')[-2000:]}")
        kb = int(t.read().strip().splitlines()[-1])
    return elapsed, kb / 1024.0


class Mysql(benchkit.Mysql):
    def fingerprint(self, database, table):
        rows = self.sql(f"SELECT COUNT(*) FROM {table}", database).strip()
        checksum = self.sql(f"CHECKSUM TABLE {table}", database).split("\t")[-1].strip()
        return rows, checksum


def sqlite_fingerprint(path, table):
    db = sqlite3.connect(path)
    try:
        h = hashlib.sha1()
        n = 0
        for row in db.execute(f"SELECT * FROM {table} ORDER BY 1"):
            h.update(repr(tuple((type(v).__name__, v) for v in row)).encode())
            n += 1
        return n, h.hexdigest()
    finally:
        db.close()


def product_columns(mysql_script):
    """The products table's columns and declared types, from the blank shop script."""
    text = open(mysql_script, encoding="utf-8").read()
    start = text.index(f"CREATE TABLE {BIG} (")
    body = text[start:text.index(";", start)]
    cols = []
    for line in body.splitlines()[1:]:
        line = line.strip().rstrip(",")
        if not line or line.startswith(("PRIMARY", ")", "KEY", "UNIQUE", "INDEX")):
            continue
        name, decl = line.split(None, 1)
        cols.append((name, decl.upper()))
    return cols


def value_expression(name, decl, n, mysql):
    """A mixed value for row n (an SQL expression over n) by the column's type."""
    concat = (lambda *p: "CONCAT(" + ", ".join(p) + ")") if mysql else (lambda *p: " || ".join(p))
    if name == "P_ID":
        return n
    if "INT" in decl or "BIT" in decl:
        return f"({n} % 97)"
    if "DEC" in decl or "DOUBLE" in decl or "FLOAT" in decl or "MONEY" in decl:
        return f"(({n} % 100000) / 100.0)"
    if "DATE" in decl or "TIME" in decl:
        if mysql:
            return f"('2004-03-07 09:05:02' + INTERVAL {n} SECOND)"
        return f"datetime('2004-03-07 09:05:02', '+' || {n} || ' seconds')"
    if decl.startswith("VARCHAR(1)") or decl.startswith("CHAR(1)"):
        return f"CASE WHEN {n} % 2 = 0 THEN 'y' ELSE 'n' END"
    if "TEXT" in decl:
        return concat("'Notes for product '", f"{n}", "' - it''s \"quoted\", caf\u00e9'")
    return concat(f"'{name[:12]} '", f"{n}")


def fill_products(cols, rows, mysql):
    names = ", ".join(c for c, _ in cols)
    values = ", ".join(str(value_expression(c, d, "seq", mysql)) for c, d in cols)
    if mysql:
        return f"DELETE FROM {BIG}; INSERT INTO {BIG} ({names}) SELECT {values} FROM seq_1_to_{rows};"
    return (f"DELETE FROM {BIG}; WITH RECURSIVE s(seq) AS (SELECT 1 UNION ALL SELECT seq + 1 FROM s WHERE seq < {rows}) "
            f"INSERT INTO {BIG} ({names}) SELECT {values} FROM s;")


def runs_text(results):
    return ", ".join("%.2f" % r[0] for r in results)


def report(label, ours, peers):
    print(f"  {label}: companion {median(ours):.2f} s ({runs_text(ours)}), peak {max(r[1] for r in ours):.1f} MB",
          flush=True)
    for name, theirs in peers:
        print(f"    {name}: {median(theirs):.2f} s ({runs_text(theirs)}), peak {max(r[1] for r in theirs):.1f} MB; "
              f"ratio of medians {median(ours) / median(theirs):.2f}, paired {paired(ours, theirs):.2f}", flush=True)


def bench_mysql(cli, scripts, rows, runs, work):
    my = Mysql()
    blank = os.path.join(scripts, "mysql", "quillmart-5.104-blank.sql")
    cols = product_columns(blank)
    my.fresh(SRC_DB, blank)
    my.sql(fill_products(cols, rows, True), SRC_DB)
    companion = [cli, "copy", "--source-kind", "mysql", "--source-server", my.host, "--source-port", str(my.port),
                 "--source-database", SRC_DB, "--source-user", my.user, "--dest-kind", "mysql", "--dest-server",
                 my.host, "--dest-port", str(my.port), "--dest-database", DST_DB, "--dest-user", my.user]
    # A capture run gives the statements the peers replay.
    log = os.path.join(work, f"general-{rows}.log")
    my.fresh(DST_DB, blank)
    my.run_logged(companion, log)
    reference = my.fingerprint(DST_DB, BIG)
    replay = os.path.join(work, f"replay-{rows}.sql")
    statements = write_replay(log, replay)
    dump = os.path.join(work, f"dump-{rows}.sql")
    with open(dump, "wb") as f:
        subprocess.run(["mariadb-dump", "--no-defaults", f"--host={my.host}", f"--port={my.port}", f"--user={my.user}",
                        "--single-transaction", "--no-create-info", "--skip-triggers", SRC_DB], stdout=f,
                       env=my.env, check=True)
    ours, theirs, dumped = [], [], []
    for _ in range(runs):
        my.fresh(DST_DB, blank)
        ours.append(timed(companion, my.env))
        check(my.fingerprint(DST_DB, BIG), reference, "companion")
        my.fresh(DST_DB, blank)
        with open(replay, "rb") as f:
            theirs.append(timed(my.client(DST_DB), my.env, stdin=f))
        check(my.fingerprint(DST_DB, BIG), reference, "replay")
        my.fresh(DST_DB, blank)
        # The dump's own table contents replace the blank shop's rows.
        clear = " ".join(f"DELETE FROM {t};" for t in my.sql("SHOW TABLES", SRC_DB).split())
        my.sql(clear, DST_DB)
        with open(dump, "rb") as f:
            dumped.append(timed(my.client(DST_DB), my.env, stdin=f))
        check(my.fingerprint(DST_DB, BIG), reference, "mariadb-dump")
    print(f"  {rows} rows, replay of {statements} statements, rows and checksum {reference} after every run")
    report(f"mysql->mysql {rows}", ours, [("replay in one transaction", theirs), ("mariadb-dump | mariadb", dumped)])
    for db in (SRC_DB, DST_DB):
        my.sql(f"DROP DATABASE {db}")


ENTRY = re.compile(rb"^(?:\d{6} [ \d]\d:\d\d:\d\d)?\t\s*(\d+) ([A-Za-z][A-Za-z ]*?)\t(.*)$")


def write_replay(log, path):
    """The capture session's DELETEs and INSERTs, in order, as a one-transaction script.

    An entry of the general log is a tab, the thread id and the command, then
    the text, which may run over several lines (and, for statements sent
    together, hold several statements).
    """
    sessions = {}
    current = None
    with open(log, "rb") as f:
        for line in f:
            m = ENTRY.match(line.rstrip(b"\n"))
            if m:
                current = sessions.setdefault(int(m.group(1)), []) if m.group(2) == b"Query" else None
                if current is not None:
                    current.append(m.group(3))
            elif current is not None:
                current[-1] += b"\n" + line.rstrip(b"\n")
    best = max(sessions.values(), key=lambda s: sum(t.count(b"INSERT INTO") for t in s))
    count = 0
    with open(path, "wb") as f:
        f.write(b"START TRANSACTION;\n")
        for text in best:
            parts = text.split(b";\nINSERT INTO ")
            for statement in parts[:1] + [b"INSERT INTO " + p for p in parts[1:]]:
                if statement.startswith((b"INSERT INTO ", b"DELETE FROM ")):
                    f.write(statement + b";\n")
                    count += 1
        f.write(b"COMMIT;\n")
    return count


def check(found, reference, who):
    if found != reference:
        sys.exit(f"{who} wrote other rows: {found} != {reference}")


def sqlite_shop(scripts, path, rows):
    if os.path.exists(path):
        os.remove(path)
    with open(os.path.join(scripts, "sqlite", "quillmart-5.104-blank.sql"), "rb") as f:
        subprocess.run(["sqlite3", path], stdin=f, check=True)
    if rows:
        cols = product_columns(os.path.join(scripts, "mysql", "quillmart-5.104-blank.sql"))
        db = sqlite3.connect(path)
        db.executescript(fill_products(cols, rows, False))
        db.commit()
        db.close()


def bench_sqlite(cli, scripts, rows, runs, work):
    source = os.path.join(work, "source.sqlite")
    dest = os.path.join(work, "dest.sqlite")
    sqlite_shop(scripts, source, rows)
    dump = os.path.join(work, "source.dump.sql")
    with open(dump, "wb") as f:
        subprocess.run(["sqlite3", source, ".dump"], stdout=f, check=True)
    ours, theirs, reference = [], [], None
    for _ in range(runs):
        sqlite_shop(scripts, dest, 0)
        ours.append(timed([cli, "copy", "--source-kind", "sqlite", "--source-file", source, "--dest-kind", "sqlite",
                           "--dest-file", dest]))
        reference = reference or sqlite_fingerprint(dest, BIG)
        check(sqlite_fingerprint(dest, BIG), reference, "companion")
        os.remove(dest)
        with open(dump, "rb") as f:
            theirs.append(timed(["sqlite3", dest], stdin=f))
        check(sqlite_fingerprint(dest, BIG), reference, "sqlite3 .dump replay")
    print(f"  {rows} rows, rows and checksum {reference} after every run (same as the source: "
          f"{sqlite_fingerprint(source, BIG) == reference})")
    report(f"sqlite->sqlite {rows}", ours, [("sqlite3 .dump replay", theirs)])


def write_script(path, megabytes, mysql):
    """About `megabytes` MB: a table, then single-row INSERTs of mixed values, in one transaction."""
    with open(path, "w", encoding="utf-8", newline="\r\n") as f:
        f.write("DROP TABLE IF EXISTS bench_script;\n" if mysql else "")
        f.write("CREATE TABLE bench_script (id INT PRIMARY KEY, name VARCHAR(100), price DECIMAL(19,4), "
                "added DATETIME, notes TEXT);\n")
        f.write("START TRANSACTION;\n" if mysql else "BEGIN TRANSACTION;\n")
        n = 0
        while f.tell() < megabytes * 1024 * 1024:
            n += 1
            f.write(f"INSERT INTO bench_script (id, name, price, added, notes) VALUES ({n}, 'Product {n}', "
                    f"{n % 100000 / 100:.2f}, '2004-03-07 09:05:02', 'It''s line {n}; caf\u00e9 {'x' * (n % 40)}');\n")
        f.write("COMMIT;\n")
    return n


def bench_script(cli, kind, megabytes, runs, work):
    script = os.path.join(work, f"script-{kind}.sql")
    rows = write_script(script, megabytes, kind == "mysql")
    size = os.path.getsize(script) / 1024 / 1024
    ours, theirs, reference = [], [], None
    my = Mysql()
    for _ in range(runs):
        if kind == "sqlite":
            db = os.path.join(work, "script.sqlite")
            for run_peer in (False, True):
                open(db, "w").close()
                if run_peer:
                    with open(script, "rb") as f:
                        theirs.append(timed(["sqlite3", db], stdin=f))
                else:
                    ours.append(timed([cli, "execute-sql", "--source-kind", "sqlite", "--source-file", db,
                                       "--script", script]))
                reference = reference or sqlite_fingerprint(db, "bench_script")
                check(sqlite_fingerprint(db, "bench_script"), reference, "peer" if run_peer else "companion")
        else:
            for run_peer in (False, True):
                my.fresh(DST_DB)
                if run_peer:
                    with open(script, "rb") as f:
                        theirs.append(timed(my.client(DST_DB), my.env, stdin=f))
                else:
                    ours.append(timed([cli, "execute-sql", "--source-kind", "mysql", "--source-server", my.host,
                                       "--source-port", str(my.port), "--source-database", DST_DB, "--source-user",
                                       my.user, "--script", script], my.env))
                reference = reference or my.fingerprint(DST_DB, "bench_script")
                check(my.fingerprint(DST_DB, "bench_script"), reference, "peer" if run_peer else "companion")
    if kind == "mysql":
        my.sql(f"DROP DATABASE {DST_DB}")
    print(f"  {size:.1f} MB script, {rows} INSERTs; rows and checksum {reference} after every run")
    report(f"execute-sql {kind}", ours, [("sqlite3" if kind == "sqlite" else "mariadb", theirs)])
    print(f"    companion peak / script size: {max(r[1] for r in ours) / size:.2f} "
          f"(limit 1.2 + 32 MB: {1.2 * size + 32:.1f} MB)", flush=True)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", default=os.path.join(ROOT, "build"))
    parser.add_argument("--routes", default="mysql,sqlite,script-sqlite,script-mysql")
    parser.add_argument("--sizes", default="100000,1000000")
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--script-mb", type=int, default=50)
    parser.add_argument("--keep", help="work in this folder and keep it")
    args = parser.parse_args()
    cli = os.path.abspath(os.path.join(args.build, "src", "app", "quillmart-datatool-cli"))
    scripts = os.path.join(args.build, "tests", "fixtures", "quillmart")
    if not os.path.exists(cli):
        sys.exit(f"build the companion first: {cli} is missing")
    work = os.path.abspath(args.keep) if args.keep else tempfile.mkdtemp(prefix="qdt-copy-speed-")
    os.makedirs(work, exist_ok=True)
    os.chmod(work, 0o777)  # the general log is written by the server's user
    routes = args.routes.split(",")
    try:
        for route in routes:
            print(f"{route}; load before: {load()}", flush=True)
            if route in ("mysql", "sqlite"):
                for rows in (int(s) for s in args.sizes.split(",")):
                    (bench_mysql if route == "mysql" else bench_sqlite)(cli, scripts, rows, args.runs, work)
            elif route.startswith("script-"):
                bench_script(cli, route.split("-", 1)[1], args.script_mb, args.runs, work)
            else:
                sys.exit(f"unknown route {route}")
            print(f"  load after: {load()}", flush=True)
    finally:
        if not args.keep:
            shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
