#!/usr/bin/env python3
"""Reads a 1,000,000-row CSV file through the text source's snapshot.

  bench/sheets_csv.py [--build DIR] [--rows N] [--keep]

Writes a catalogue-like CSV (10 columns, quoted fields with commas and line
breaks, accented text; about 110 MB for 1,000,000 rows) into a temporary
folder, then runs the companion's `query` on it twice: SELECT COUNT(*) and a
full scan of every row to /dev/null. Each run is timed under /usr/bin/time -v,
which reports the companion's own peak memory (maximum resident set size).
The goal is a peak under 200 MB: the file is streamed into a temporary
snapshot file, never held in memory whole.
"""
import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
HEADER = "Code,Category,Product,Description,Price,Quantity,Weight,RRP,Tax,Added\r\n"


def write_csv(path, rows):
    with open(path, "w", encoding="utf-8", newline="") as f:
        f.write(HEADER)
        lines = []
        for i in range(rows):
            desc = f'"Größe {i % 7}, colour ""blue""\r\nsecond line"' if i % 10 == 0 else f"Plain text {i}"
            lines.append(f"C{i:07d},Category {i % 97},Product {i // 5},{desc},{i % 1000}.{i % 100:02d},"
                         f"{i % 50},{(i % 300) / 10},{i % 1000 + 5}.50,17.5,2004-03-{1 + i % 28:02d}\r\n")
            if len(lines) == 10000:
                f.write("".join(lines))
                lines.clear()
        f.write("".join(lines))


def timed(cmd):
    """Runs cmd under /usr/bin/time -v: (seconds, peak MB, stdout)."""
    start = time.perf_counter()
    proc = subprocess.run(["/usr/bin/time", "-v"] + cmd, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    elapsed = time.perf_counter() - start
    err = proc.stderr.decode(errors="replace")
    if proc.returncode != 0:
        sys.exit(f"failed ({proc.returncode}): {' '.join(cmd)}\n{err}")
    peak_kb = int(re.search(r"Maximum resident set size \(kbytes\): (\d+)", err).group(1))
    return elapsed, peak_kb / 1024.0, proc.stdout


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", default=os.path.join(ROOT, "build"))
    parser.add_argument("--rows", type=int, default=1_000_000)
    parser.add_argument("--keep", action="store_true", help="keep the folder with the CSV file")
    args = parser.parse_args()
    cli = os.path.join(args.build, "src", "app", "quillmart-datatool-cli")
    folder = tempfile.mkdtemp(prefix="qdt-bench-csv-")
    try:
        path = os.path.join(folder, "items.csv")
        write_csv(path, args.rows)
        size_mb = os.path.getsize(path) / 1e6
        cs = f'Provider=Microsoft.Jet.OLEDB.4.0;Data Source={folder};Extended Properties="text"'
        seconds, peak, out = timed([cli, "query", cs, "SELECT COUNT(*) AS Recs FROM items.csv"])
        count = out.decode().splitlines()[-1]
        if int(count) != args.rows:
            sys.exit(f"counted {count} rows, expected {args.rows}")
        print(f"csv {args.rows:,} rows ({size_mb:.0f} MB): SELECT COUNT(*) {seconds:.2f} s, peak {peak:.1f} MB")
        seconds, peak, out = timed([cli, "query", cs, "SELECT * FROM items.csv"])
        lines = out.count(b"\n") - 2
        print(f"csv {args.rows:,} rows ({size_mb:.0f} MB): full scan of {lines:,} rows {seconds:.2f} s, "
              f"peak {peak:.1f} MB")
        temp_left = [n for n in os.listdir(tempfile.gettempdir()) if n.startswith("qdt-sheet-")]
        if temp_left:
            print(f"warning: snapshot files left behind: {temp_left}")
    finally:
        if args.keep:
            print(f"kept {folder}")
        else:
            shutil.rmtree(folder)


if __name__ == "__main__":
    main()
