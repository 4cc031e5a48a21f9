#!/usr/bin/env python3
"""Measures the database layer's figures through the command-line companion.

  bench/measure.py [--build DIR] [--only mysql|access|sqlite]

Peak memory is the companion's own (/usr/bin/time on the child).

mysql  : reads a 200,000-row table from the test MariaDB with `query` and with
         the mariadb client's --batch output; best of 3 each, and the ratio.
         Needs the QDT_TEST_MYSQL_* variables (scripts/test-mariadb start).
access : opens nwind.mdb (builds its snapshot) and lists its tables: time and
         peak memory. Says so on stderr when the shared fixtures are not found.
sqlite : streams 1,000,000 rows from a SQLite file: time and peak memory.
"""
import argparse
import os
import sqlite3
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def run(cmd, env=None):
    """Runs cmd with stdout to /dev/null; returns (seconds, peak RSS in MB, exit code).

    The peak is the companion's own, taken by /usr/bin/time on the child: the
    rusage of a child forked straight from this script also counts the
    script's own memory at the fork.
    """
    with open(os.devnull, "wb") as null, tempfile.NamedTemporaryFile("r", suffix=".time") as t:
        start = time.perf_counter()
        proc = subprocess.run(["/usr/bin/time", "-f", "%M", "-o", t.name] + cmd, stdout=null,
                              stderr=subprocess.PIPE, env=env)
        elapsed = time.perf_counter() - start
        err = proc.stderr.decode(errors="replace")
        code = proc.returncode
        if code != 0:
            sys.exit(f"failed ({code}): {' '.join(cmd)}\n{err}")
        kb = int(t.read().strip().splitlines()[-1])
    return elapsed, kb / 1024.0, code


def best_of(n, cmd, env=None):
    results = [run(cmd, env) for _ in range(n)]
    return min(r[0] for r in results), max(r[1] for r in results)


def bench_mysql(cli):
    env = os.environ
    host = env.get("QDT_TEST_MYSQL_HOST", "127.0.0.1")
    port = env.get("QDT_TEST_MYSQL_PORT", "3307")
    user = env.get("QDT_TEST_MYSQL_USER", "qdt")
    password = env.get("QDT_TEST_MYSQL_PASSWORD", "qdt-test")
    database = env.get("QDT_TEST_MYSQL_DATABASE", "qdt_test")
    client = ["mariadb", f"--host={host}", f"--port={port}", f"--user={user}", database]
    client_env = dict(env, MYSQL_PWD=password)
    setup = """
DROP TABLE IF EXISTS bench_rows;
CREATE TABLE bench_rows (id INT PRIMARY KEY, name VARCHAR(50), price DECIMAL(19,4), added DATETIME, notes TEXT);
INSERT INTO bench_rows
  SELECT seq, CONCAT('Product ', seq), seq / 100, '2004-03-07 09:05:02' + INTERVAL seq SECOND,
         REPEAT('x', seq % 40)
  FROM seq_1_to_200000;
"""
    subprocess.run(client, input=setup.encode(), env=client_env, check=True)
    sql = "SELECT * FROM bench_rows"
    cs = (f"DRIVER={{MySQL ODBC 3.51 Driver}};SERVER={host}:{port};DATABASE={database};"
          f"USER={user};PASSWORD={password};OPTION=3;")
    ours, ours_mb = best_of(3, [cli, "query", cs, sql])
    theirs, theirs_mb = best_of(3, client + ["--batch", "-e", sql], client_env)
    print(f"mysql  200,000 rows: companion {ours:.3f} s ({ours_mb:.1f} MB), "
          f"mariadb --batch {theirs:.3f} s ({theirs_mb:.1f} MB), ratio {ours / theirs:.2f}")
    subprocess.run(client + ["-e", "DROP TABLE bench_rows"], env=client_env, check=True)


def fixture_candidates():
    """Where the shared fixtures may be: $QDT_FIXTURES, ../shared/fixtures of the
    checkout (a worktree's shared folder is two levels up), /work/shared/fixtures."""
    found = [os.environ.get("QDT_FIXTURES", "")]
    found += [os.path.join(os.path.dirname(ROOT), "shared", "fixtures"),
              os.path.join(os.path.dirname(os.path.dirname(ROOT)), "shared", "fixtures"),
              "/work/shared/fixtures"]
    return [p for p in found if p]


def bench_access(cli):
    tried = [os.path.join(p, "access", "nwind.mdb") for p in fixture_candidates()]
    path = next((p for p in tried if os.path.exists(p)), None)
    if path is None:
        # Said loudly: a missing figure must not look like a measured one.
        print("access: NOT MEASURED: nwind.mdb was not found; looked for " + ", ".join(tried) +
              " (set QDT_FIXTURES to the shared fixtures folder)", file=sys.stderr)
        print("access: not measured (see stderr)")
        return
    cs = f"Provider=Microsoft.Jet.OLEDB.4.0;Data Source={path};Jet OLEDB:Database Password="
    seconds, mb = best_of(5, [cli, "tables", cs])
    print(f"access nwind.mdb open + snapshot + table list: {seconds:.3f} s, peak {mb:.1f} MB ({path})")


def bench_sqlite(cli):
    with tempfile.TemporaryDirectory() as tmp:
        path = os.path.join(tmp, "big.sqlite")
        db = sqlite3.connect(path)
        db.execute("CREATE TABLE big (id INTEGER, name VARCHAR(50), price CURRENCY, added DATETIME)")
        db.execute("""WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 1000000)
                      INSERT INTO big SELECT i, 'Product ' || i, i / 100.0, '2004-03-07 09:05:02' FROM n""")
        db.commit()
        db.close()
        cs = f"Provider=SQLite;Data Source={path}"
        seconds, mb = best_of(3, [cli, "query", cs, "SELECT * FROM big"])
        base, base_mb = best_of(3, [cli, "query", cs, "SELECT * FROM big LIMIT 1"])
        print(f"sqlite 1,000,000 rows streamed: {seconds:.3f} s, peak {mb:.1f} MB "
              f"(one row: {base_mb:.1f} MB)")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", default=os.path.join(ROOT, "build"))
    parser.add_argument("--only", choices=["mysql", "access", "sqlite"])
    args = parser.parse_args()
    cli = os.path.join(args.build, "src", "app", "quillmart-datatool-cli")
    if not os.path.exists(cli):
        sys.exit(f"build the companion first: {cli} is missing")
    for name, fn in (("mysql", bench_mysql), ("access", bench_access), ("sqlite", bench_sqlite)):
        if args.only in (None, name):
            fn(cli)


if __name__ == "__main__":
    main()
