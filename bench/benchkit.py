"""What the benchmark scripts share: timing the companion as a child process,
the test MariaDB server (from the QDT_TEST_MYSQL_* variables that
scripts/test-mariadb prints), and the medians of paired runs."""

import os
import statistics
import subprocess
import sys
import time


def load():
    return "%.2f %.2f %.2f" % os.getloadavg()


def timed(cmd, env=None, stdin=None, user=False):
    """Runs cmd as a child and stops the script if it fails. Returns (wall
    seconds, the child's own peak RSS in MB), or (wall, user seconds, peak)
    when user is set. The peak is the child's, from wait4, never this
    script's own."""
    start = time.perf_counter()
    proc = subprocess.Popen(cmd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, stdin=stdin, env=env)
    out = proc.stdout.read()
    _, status, usage = os.wait4(proc.pid, 0)
    elapsed = time.perf_counter() - start
    proc.stdout.close()
    code = os.waitstatus_to_exitcode(status)
    if code != 0:
        sys.exit(f"failed ({code}): {' '.join(cmd)}\n{out.decode(errors='replace')[-3000:]}")
    peak = usage.ru_maxrss / 1024.0
    return (elapsed, usage.ru_utime, peak) if user else (elapsed, peak)


def median(results, i=0):
    return statistics.median(r[i] for r in results)


def paired(ours, theirs):
    """The median of the pairs' ratios of their first figures (the time)."""
    return statistics.median(a[0] / b[0] for a, b in zip(ours, theirs))


class Mysql:
    """The test server, reached as the test user over TCP, and as root through
    its socket (QDT_TEST_MYSQL_DIR/mysqld.sock, or QDT_BENCH_ROOT_SOCKET)."""

    def __init__(self):
        e = os.environ
        self.host = e.get("QDT_TEST_MYSQL_HOST", "127.0.0.1")
        self.port = e.get("QDT_TEST_MYSQL_PORT", "3307")
        self.user = e.get("QDT_TEST_MYSQL_USER", "qdt")
        self.password = e.get("QDT_TEST_MYSQL_PASSWORD", "qdt-test")
        self.socket = e.get("QDT_BENCH_ROOT_SOCKET",
                            os.path.join(e.get("QDT_TEST_MYSQL_DIR", "/tmp"), "mysqld.sock"))
        # The password reaches the client and the companion through the
        # environment, never the command line.
        self.env = dict(e, MYSQL_PWD=self.password, QDT_SOURCE_PASSWORD=self.password,
                        QDT_DEST_PASSWORD=self.password)

    def client(self, database=None, *extra):
        cmd = ["mariadb", "--no-defaults", f"--host={self.host}", f"--port={self.port}", f"--user={self.user}",
               "--default-character-set=utf8mb4"]
        return cmd + ([database] if database else []) + list(extra)

    def sql(self, sql, database=None):
        return subprocess.run(self.client(database, "--batch", "--skip-column-names", "-e", sql), env=self.env,
                              check=True, capture_output=True).stdout.decode()

    def root(self, sql):
        return subprocess.run(["mariadb", "--no-defaults", f"--socket={self.socket}", "-uroot", "--batch",
                               "--skip-column-names", "-e", sql], check=True, capture_output=True).stdout.decode()

    def fresh(self, database, script=None):
        """An empty database of that name, then the script run in it."""
        self.sql(f"DROP DATABASE IF EXISTS {database}; CREATE DATABASE {database} CHARACTER SET utf8mb4")
        if script:
            with open(script, "rb") as f:
                subprocess.run(self.client(database), stdin=f, env=self.env, check=True)

    def run_logged(self, cmd, log):
        """Runs cmd once, untimed, with the server's general log going to log
        (the log slows the server, so timed runs never have it on); the log
        file is put back as it was afterwards."""
        if os.path.exists(log):
            os.remove(log)
        previous = self.root("SELECT @@general_log_file").strip()
        self.root(f"SET GLOBAL general_log_file='{log}'; SET GLOBAL general_log=1")
        try:
            timed(cmd, self.env)
        finally:
            self.root(f"SET GLOBAL general_log=0; SET GLOBAL general_log_file='{previous}'")

    def count(self, database, table):
        return int(self.sql(f"SELECT COUNT(*) FROM {table}", database))

    def dest_args(self, database):
        return ["--dest-kind", "mysql", "--dest-server", self.host, "--dest-port", self.port,
                "--dest-database", database, "--dest-user", self.user]
