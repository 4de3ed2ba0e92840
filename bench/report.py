"""What the benchmark drivers share: the quick mode, runs that cannot hang, and each goal
printed beside its figure.

NORLA_BENCH_QUICK=1 asks for smaller archives and one run of each. When NORLA_BENCH_TABLE
names a file, every goal figure is also appended to it as one tab-separated row (what,
measured, reference, ratio, goal, met or MISSED), for scripts/bench's table. The benchmarks
report a missed goal; they do not fail on it.
"""
import glob
import os
import signal
import subprocess
import sys
import tempfile
import time

QUICK = os.environ.get("NORLA_BENCH_QUICK") == "1"
SOURCE = os.path.abspath(os.path.join(os.path.dirname(__file__), ".."))


def _row(what, measured, reference, ratio, goal, met):
    verdict = "met" if met else "MISSED"
    shown = f"ratio {ratio}" if ratio != "-" else measured
    print(f"   => {what}: {shown} (goal {goal}) {verdict}", flush=True)
    table = os.environ.get("NORLA_BENCH_TABLE")
    if table:
        with open(table, "a") as f:
            f.write("\t".join((what, measured, reference, ratio, goal, verdict)) + "\n")


def ratio_goal(what, measured, reference, ratio, relation, limit):
    """A ratio with its goal: relation "<=" (at most limit) or ">=" (at least limit)."""
    met = ratio <= limit if relation == "<=" else ratio >= limit
    _row(what, measured, reference, f"{ratio:.2f}", f"{relation} {limit:.2f}", met)


def limit_goal(what, measured, value, limit, unit):
    """A figure that must stay under a limit, such as peak memory."""
    _row(what, measured, "-", "-", f"< {limit:g} {unit}", value < limit)


def wine_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def wine_command(build, exe, *args):
    return [os.path.join(SOURCE, "cmake", "wine-run"), os.path.join(build, "wineprefix"), exe,
            *args]


def _text(output):
    """Wine's own lines are UTF-8, the program's texts Windows-1252."""
    lines = []
    for line in output.splitlines():
        try:
            lines.append(line.decode("utf-8"))
        except UnicodeDecodeError:
            lines.append(line.decode("cp1252", errors="replace"))
    return "\n".join(lines)


def run_measured(command, timeout):
    """Runs a command under GNU time; gives its exit status, output, wall time and the peak
    resident set of it and the descendants it waited for (Linux's own count, in KiB). A run
    that takes longer than `timeout` seconds is killed with all it started, and ends the
    benchmark."""
    report = os.path.join(tempfile.gettempdir(), f"norla-bench-{os.getpid()}.time")
    start = time.perf_counter()
    process = subprocess.Popen(["/usr/bin/time", "-f", "%M", "-o", report, *command],
                               stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                               start_new_session=True)
    try:
        output = _text(process.communicate(timeout=timeout)[0])
        seconds = time.perf_counter() - start
        with open(report) as f:
            peak = int(f.read().split()[-1])
    except subprocess.TimeoutExpired:
        os.killpg(process.pid, signal.SIGKILL)
        output = _text(process.communicate()[0])
        sys.exit(f"did not finish within {timeout} s: {' '.join(command)}\n{output}")
    finally:
        if os.path.exists(report):
            os.remove(report)
    return process.returncode, output, seconds, peak


def figures(output, program):
    """The program's last line of key=value pairs; ends the benchmark when there is none."""
    line = next((l for l in reversed(output.splitlines()) if "=" in l and " " in l
                 and all("=" in f for f in l.split())), None)
    if line is None:
        sys.exit(f"{program} gave no figures:\n{output}")
    return {k: float(v) for k, v in (f.split("=") for f in line.split())}


def clear_internet_cache(build, stem):
    """Wine writes every FTP download into the prefix's internet cache, whatever the flags
    say; without this each run would leave copies of the file `stem`.* there."""
    pattern = os.path.join(build, "wineprefix", "drive_c", "users", "*", "AppData", "Local",
                           "Microsoft", "Windows", "INetCache", "*", "*", glob.escape(stem) + "[[]*")
    for copy in glob.glob(pattern):
        os.remove(copy)
