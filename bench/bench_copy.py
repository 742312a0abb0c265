"""Times VESTRO under wine (inside tmux, so the screen is painted) against
the platform floor probe (bench/floor.c), native cp + sync and
wine's own xcopy, alternating, and prints medians of the wall time and of
the CPU seconds (the run's processes and the prefix's standing ones, see
winerun.py); measures its peak memory and counts the Win32 calls it makes
per file.

    python3 bench/bench_copy.py file   [--runs N] [--size MIB]
    python3 bench/bench_copy.py tree   [--runs N] [--big-runs N] [--size MIB] [--files N] [--mixed N]
                                        [--sections abcdef]
                                        [--against OTHER_VESTRO_EXE]
    python3 bench/bench_copy.py memory [--runs N] [--files N]
    python3 bench/bench_copy.py calls  [--calls-files N] [--keep-traces]
    any of them: [--data DIR] [--shm DIR] [--desktop held|per-run]

file: one file in file mode.
tree: (a) a folder holding one big file, on disk; (b) many small files on
tmpfs; (c) the second run over (b); (d) 2,000 files of 0 B-8 MiB, even in
the logarithm, edge sizes included (about 1 GB), on disk; (e) the peak resident set of a run over 20 files and
over (b); (f) (b) again over a complete copy whose every file is one second
older (every file replaced), against the floor replacing each file the same
safe way and the floor overwriting in place.
memory: (e) alone.
calls: one run of VESTRO and of the floor probe under wine's relay trace,
over a fresh destination, again over the finished one and over it made one
second older (every file replaced), and the calls the
program itself made (kernel32/KERNELBASE/ntdll, then the other libraries),
per file, for the whole run, the copy walk and the verification walk.
--data and --shm move the trees (on disk, on tmpfs); VESTRO_WINEPREFIX and
VESTRO_E2E_WORK move the wine prefix and the scratch folder. The program is
run as a copy taken at the start. --desktop: see winerun.py.
Needs build/win/vestro.exe (sh tools/setup.sh builds it), GNU time
(/usr/bin/time) and x86_64-w64-mingw32-gcc (floor.exe goes to build/).
"""
import argparse
import hashlib
import math
import os
import random
import shutil
import statistics
import struct
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
os.environ.setdefault("VESTRO_EXE", os.path.join(ROOT, "build", "win", "vestro.exe"))
os.environ.setdefault("VESTRO_WINEPREFIX", os.path.join(ROOT, "build", "bench-prefix"))
os.environ.setdefault("VESTRO_E2E_WORK", "/tmp/vestro-bench-runs")
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness  # noqa: E402
import winerun  # noqa: E402

DISK = os.path.join(ROOT, "build", "bench-data")
SHM = "/dev/shm/vestro-bench"
FLOOR_SOURCE = os.path.join(ROOT, "bench", "floor.c")
FLOOR_EXE = os.path.join(ROOT, "build", "floor.exe")
SYSTEM_LIBRARIES = ("kernel32", "kernelbase", "ntdll")
PROGRAM = harness.EXE  # the copy of it that is run (main)
OTHER = None  # --against: a copy of another build, run in the same rounds
DESKTOP = "held"  # or "per-run": every wine run starts the prefix's desktop itself (see winerun)


def place(path):
    """Where a tree lies, for the section titles."""
    found = subprocess.run(["stat", "-f", "-c", "%T", path], capture_output=True, text=True).stdout.strip()
    return "on tmpfs" if found == "tmpfs" else "on disk"


def remove(path):
    if os.path.lexists(path):
        if os.path.isdir(path) and not os.path.islink(path):
            shutil.rmtree(path)
        else:
            os.remove(path)


def timed(command):
    """A native command: its wall and CPU seconds."""
    run = winerun.measure(command, wine=False)
    if run.code != 0:
        raise SystemExit("%s failed (%d)" % (" ".join(command), run.code))
    return run


def sync():
    subprocess.run(["sync"], check=True)


def before_wine():
    if DESKTOP == "per-run":
        winerun.wait_desktop_gone()
    sync()


def vestro(src, dst, expect, program=None):
    before_wine()
    run = winerun.run(program or PROGRAM, [harness.win_path(src), harness.win_path(dst)])
    if run.code != 0 or expect not in run.screen.dump():
        raise SystemExit("VESTRO run failed (%d):\n%s" % (run.code, run.screen.dump()))
    return run


def floor(src, dst, files, mode=None):
    before_wine()
    run = winerun.run(FLOOR_EXE, [harness.win_path(src), harness.win_path(dst)] + ([mode] if mode else []))
    if run.code != 0 or "%d files, 0 bad" % files not in run.screen.dump():
        raise SystemExit("floor run failed (%d):\n%s" % (run.code, run.screen.dump()))
    return run


def cp_sync(src, dst):
    sync()
    return timed(["cp", "-a", src, dst]) + timed(["sync"])


def xcopy(args):
    before_wine()
    with open(os.path.join(os.environ["VESTRO_E2E_WORK"], "xcopy.log"), "w") as log:
        run = winerun.measure([harness.WINE, "xcopy"] + args, env=harness.wine_env(), log=log)
    if run.code != 0:
        raise SystemExit("xcopy %s failed (%d)" % (" ".join(args), run.code))
    return run


def build_floor():
    """floor.exe, built once and again whenever floor.c is newer."""
    if os.path.exists(FLOOR_EXE) and os.path.getmtime(FLOOR_EXE) >= os.path.getmtime(FLOOR_SOURCE):
        return
    os.makedirs(os.path.dirname(FLOOR_EXE), exist_ok=True)
    partial = "%s.%d.tmp" % (FLOOR_EXE, os.getpid())
    subprocess.run(["x86_64-w64-mingw32-gcc", "-O2", "-static", "-o", partial, FLOOR_SOURCE], check=True)
    os.replace(partial, FLOOR_EXE)


# --- trees ------------------------------------------------------------------

def tree_ready(root, recipe):
    """True when root was made whole from the same recipe; otherwise clears it
    for a fresh start (a tree left by an interrupted run is never reused)."""
    mark = root.rstrip("/") + ".made"
    if os.path.isdir(root) and os.path.exists(mark):
        with open(mark) as f:
            if f.read() == recipe:
                return True
    remove(mark)
    remove(root)
    return False


def tree_made(root, recipe):
    with open(root.rstrip("/") + ".made", "w") as f:
        f.write(recipe)


def big_file(path, mib):
    if os.path.exists(path) and os.path.getsize(path) == mib * 1024 * 1024 + 1234:
        return
    os.makedirs(os.path.dirname(path), exist_ok=True)
    block = os.urandom(1024 * 1024)
    with open(path, "wb") as f:
        for _ in range(mib):
            f.write(block)
        f.write(block[:1234])  # not a whole number of sectors


def small_tree(root, files):
    """files of 1-16 KiB in 200 folders; the first n files of a tree are the
    same (names and sizes) whatever the count."""
    if tree_ready(root, "small %d seed 7" % files):
        return
    rng = random.Random(7)
    folders = [os.path.join(root, "a%d" % a, "b%d" % b, "c%d" % c)
               for a in range(6) for b in range(6) for c in range(6)][:200]
    for n in range(files):
        folder = folders[n % len(folders)]
        os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, "f%05d.bin" % n), "wb") as f:
            f.write(rng.randbytes(rng.randint(1024, 16 * 1024)))
    tree_made(root, "small %d seed 7" % files)


MIB = 1024 * 1024
EDGE_SIZES = [0, 1, 511, 512, 513, 4095, 4096, 4097, 4 * MIB - 1, 4 * MIB, 4 * MIB + 1, 8 * MIB]


def mixed_sizes(files):
    """The realistic mix: 2.5 % empty files, the edge sizes, and the rest
    even in the logarithm between 1 B and 8 MiB (about 1 GB for 2,000)."""
    rng = random.Random(11)
    sizes = list(EDGE_SIZES) + [0] * max(1, files // 40)
    while len(sizes) < files:
        sizes.append(int(math.exp(rng.uniform(0, math.log(8 * MIB)))))
    sizes = sizes[:files]
    rng.shuffle(sizes)
    return sizes


def mixed_tree(root, files):
    """files from 0 B to 8 MiB in 100 folders two levels deep (every fiftieth
    at the top), three empty folders, times with a fraction of a second."""
    sizes = mixed_sizes(files)
    recipe = "mixed log-uniform %d seed 11" % files
    if tree_ready(root, recipe):
        return sum(sizes)
    rng = random.Random(13)
    folders = [os.path.join(root, "m%d" % i, "n%d" % j) for i in range(10) for j in range(10)]
    for folder in folders + [os.path.join(root, "empty", "x%d" % e) for e in range(3)]:
        os.makedirs(folder, exist_ok=True)
    pool = rng.randbytes(16 * MIB)
    for n, size in enumerate(sizes):
        path = os.path.join(folders[n % len(folders)] if n % 50 else root, "x%04d_%d.bin" % (n, size))
        with open(path, "wb") as f:
            start = rng.randrange(len(pool) - size + 1)
            f.write(pool[start:start + size])
        stamp_ns = (1500000000 + rng.randrange(4 * 365 * 86400)) * 10**9 + rng.randrange(1, 10**9)
        os.utime(path, ns=(stamp_ns, stamp_ns))
    tree_made(root, recipe)
    return sum(sizes)


def calls_tree(root, files):
    """files of 1-8 KiB in 10 folders (2 below the root, 4 below each)."""
    recipe = "calls %d seed 5" % files
    if tree_ready(root, recipe):
        return
    rng = random.Random(5)
    folders = [os.path.join(root, "a%d" % a, "b%d" % b) for a in range(2) for b in range(4)]
    for n in range(files):
        folder = folders[n % len(folders)]
        os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, "f%04d.bin" % n), "wb") as f:
            f.write(rng.randbytes(rng.randint(1024, 8 * 1024)))
    tree_made(root, recipe)


# --- printing ---------------------------------------------------------------

def git(*args):
    done = subprocess.run(["git", "--no-optional-locks", "-C", ROOT] + list(args), stdout=subprocess.PIPE,
                          stderr=subprocess.DEVNULL, text=True)
    return done.stdout.strip() if done.returncode == 0 else None


def stamp(path):
    if not os.path.exists(path):
        return "missing"
    return time.strftime("%Y-%m-%d %H:%M:%S", time.localtime(os.path.getmtime(path)))


def digest(path):
    if not os.path.exists(path):
        return "none"
    with open(path, "rb") as f:
        return hashlib.md5(f.read()).hexdigest()[:12]


def header(args):
    commit = git("rev-parse", "--short", "HEAD") or "unknown"
    changes = git("status", "--porcelain")
    if changes is None:
        state = "work tree state unknown"
    else:
        lines = [line for line in changes.splitlines() if line]
        tracked = sum(1 for line in lines if not line.startswith("??"))
        state = "work tree dirty (%d changed, %d untracked)" % (tracked, len(lines) - tracked) if lines else \
            "work tree clean"
    print("VESTRO bench %s, %s" % (args.what, time.strftime("%Y-%m-%d %H:%M:%S")))
    print("  commit     %s, %s" % (commit, state))
    print("  vestro.exe %s (modified %s, md5 %s), run as a copy in %s" % (
        harness.EXE, stamp(PROGRAM), digest(PROGRAM), os.path.dirname(PROGRAM)))
    if args.what in ("tree", "calls"):
        print("  floor.exe  %s (modified %s, from %s of %s)" % (FLOOR_EXE, stamp(FLOOR_EXE), FLOOR_SOURCE,
                                                               stamp(FLOOR_SOURCE)))
    print("  desktop    %s" % ("held up through the bench by a windowless program of the prefix" if DESKTOP == "held"
                                  else "started by every run that needs it (none is up before a run)"))
    print("  prefix     %s; load average %.2f %.2f %.2f; %d cores" % ((harness.PREFIX,) + os.getloadavg() +
                                                                      (os.cpu_count(),)))
    if args.what in ("file", "tree"):
        programs = "vestro.exe and floor.exe are" if args.what == "tree" else "vestro.exe is"
        print("  %s timed inside a tmux pane from wine's start to its end; cp and xcopy from Python"
              " (subprocess);\n  CPU seconds: user + system of the run's processes (cpu_run.py reaps wine's double-forked"
              " ones) + the prefix's\n  standing processes (wineserver, desktop, services) from /proc before and after;"
              "\n  each timed section starts with a run of each over 20 files that is not counted"
              % programs)
    sys.stdout.flush()


def median_table(title, rows, size_bytes=None):
    """rows: [(name, [Measured])]; wall time, then CPU seconds (the run's own
    processes + the prefix's standing ones: wineserver, desktop, services)."""
    print("\n" + title)
    for name, samples in rows:
        walls = [r.seconds for r in samples]
        m = statistics.median(walls)
        rate = "  %8.1f MB/s" % (size_bytes / m / 1e6) if size_bytes else ""
        print("  %-34s median %8.3f s%s   (runs: %s)" % (name, m, rate, " ".join("%.2f" % w for w in walls)))
        print("  %-34s    cpu %8.3f s = %.3f own + %.3f server   (runs: %s)" % (
            "", statistics.median(r.cpu for r in samples), statistics.median(r.own_cpu for r in samples),
            statistics.median(r.server_cpu for r in samples), " ".join("%.2f" % r.cpu for r in samples)))
    sys.stdout.flush()
    return {name: statistics.median(r.seconds for r in samples) for name, samples in rows}


def ratio_line(label, a, b, target):
    print("  %-34s %.2fx  (ratio of medians; target %s)" % (label, a / b, target))


def paired_line(label, a, b, target, cpu_target=None):
    """The median of the per-round ratios a[k] / b[k], in wall time and in
    CPU seconds."""
    for what, value, goal in (("wall", lambda r: r.seconds, target), ("cpu", lambda r: r.cpu, cpu_target or target)):
        ratios = [value(x) / value(y) for x, y in zip(a, b) if value(y) > 0]
        if not ratios:
            continue
        print("  %-34s %.2fx  %-4s (median of per-round ratios: %s; target %s)" % (
            label, statistics.median(ratios), what, " ".join("%.2f" % r for r in ratios), goal))
    sys.stdout.flush()


def in_pairs(round_number, main, other):
    """VESTRO and the build it is set against (--against), their order
    swapped every other round as well: the first copy after the others'
    runs pays for pages they left, which would count against one of them."""
    if OTHER is None:
        main()
    elif round_number % 2:
        other()
        main()
    else:
        main()
        other()


def in_turn(round_number, first, second):
    """Runs first and second, swapping their order every other round."""
    if round_number % 2:
        second()
        first()
    else:
        first()
        second()


# --- file and tree ----------------------------------------------------------

def warm_up(args, with_floor=True):
    """One run of each program over 20 small files, not counted: the first
    wine start after a pause is slower than the next ones."""
    src = os.path.join(args.shm, "src-20")
    dst = os.path.join(args.shm, "warm-dst")
    small_tree(src, 20)
    remove(dst)
    vestro(src, dst, "REAL COPY COUNT = 20)")
    if with_floor:
        remove(dst)
        floor(src, dst, 20)
    remove(dst)


def bench_file(args):
    warm_up(args, with_floor=False)
    src_dir = os.path.join(args.data, "file-src")
    src = os.path.join(src_dir, "big.bin")
    big_file(src, args.size)
    size = os.path.getsize(src)
    dst = os.path.join(args.data, "file-dst")
    samples = {"vestro file mode": [], "vestro file mode + sync": [], "cp + sync": [], "xcopy": []}
    for _ in range(args.runs):
        remove(dst); os.makedirs(dst); sync()
        samples["vestro file mode"].append(vestro(src, dst, "100.00 %"))
        samples["vestro file mode + sync"].append(samples["vestro file mode"][-1] + timed(["sync"]))
        remove(dst); os.makedirs(dst); sync()
        samples["cp + sync"].append(cp_sync(src, os.path.join(dst, "big.bin")))
        remove(dst); os.makedirs(dst); sync()
        samples["xcopy"].append(xcopy([harness.win_path(src), harness.win_path(dst) + "\\", "/Y", "/Q"]))
    remove(dst)
    m = median_table("file mode, one file of %d bytes %s" % (size, place(src)), list(samples.items()), size)
    ratio_line("vestro / (cp + sync)", m["vestro file mode"], m["cp + sync"], "<= 1.05")
    ratio_line("vestro / xcopy", m["vestro file mode"], m["xcopy"], "< 1")


def bench_big(args):
    warm_up(args)
    src = os.path.join(args.data, "tree-src")
    big_file(os.path.join(src, "big.bin"), args.size)
    size = os.path.getsize(os.path.join(src, "big.bin"))
    dst = os.path.join(args.data, "tree-dst")
    s = {"vestro tree mode": [], "vestro tree mode + sync": [], "floor": [], "floor + sync": [],
         "cp -a + sync": [], "xcopy /E /I /Y /Q": []}

    def run_vestro():
        remove(dst); sync()
        s["vestro tree mode"].append(vestro(src, dst, "REAL COPY COUNT = 1)"))
        s["vestro tree mode + sync"].append(s["vestro tree mode"][-1] + timed(["sync"]))
        if OTHER:
            remove(dst); sync()
            s.setdefault("other build", []).append(vestro(src, dst, "REAL COPY COUNT = 1)", OTHER))

    def run_floor():
        remove(dst); sync()
        s["floor"].append(floor(src, dst, 1))
        s["floor + sync"].append(s["floor"][-1] + timed(["sync"]))

    for k in range(args.big_runs):
        in_turn(k, run_vestro, run_floor)
        remove(dst); sync()
        s["cp -a + sync"].append(cp_sync(src, dst))
        remove(dst); sync()
        s["xcopy /E /I /Y /Q"].append(xcopy([harness.win_path(src), harness.win_path(dst), "/E", "/I", "/Y", "/Q"]))
    remove(dst)
    m = median_table("(a) tree mode, one file of %d bytes %s" % (size, place(src)), list(s.items()), size)
    ratio_line("(a) vestro / (cp -a + sync)", m["vestro tree mode"], m["cp -a + sync"], "<= 1.05")
    paired_line("(a) vestro / floor", s["vestro tree mode"], s["floor"], "<= 1.1")
    paired_line("(a) vestro + sync / floor + sync", s["vestro tree mode + sync"], s["floor + sync"], "none")
    if OTHER:
        paired_line("(a) vestro / other build", s["vestro tree mode"], s["other build"], "none")


def bench_small(args):
    warm_up(args)
    src = os.path.join(args.shm, "src")
    small_tree(src, args.files)
    dst = os.path.join(args.shm, "dst")
    first = {"vestro tree mode (copy + verify)": [], "floor handle": [], "floor": [], "xcopy /E /I /Y /Q": [],
             "cp -a + sync": []}
    second = {"vestro second run": [], "xcopy /E /I /Y /Q /D": []}
    expect = "REAL COPY COUNT = %d)" % args.files

    def run_main():
        remove(dst)
        first["vestro tree mode (copy + verify)"].append(vestro(src, dst, expect))
        second["vestro second run"].append(vestro(src, dst, "REAL COPY COUNT = 0)"))

    def run_other():
        remove(dst)
        first.setdefault("other build", []).append(vestro(src, dst, expect, OTHER))
        second.setdefault("other build second run", []).append(vestro(src, dst, "REAL COPY COUNT = 0)", OTHER))

    def run_floor():
        remove(dst)
        first["floor handle"].append(floor(src, dst, args.files, "handle"))
        remove(dst)
        first["floor"].append(floor(src, dst, args.files))

    for k in range(args.runs):
        in_turn(k, lambda: in_pairs(k, run_main, run_other), run_floor)
        remove(dst)
        xargs = [harness.win_path(src), harness.win_path(dst), "/E", "/I", "/Y", "/Q"]
        first["xcopy /E /I /Y /Q"].append(xcopy(xargs))
        second["xcopy /E /I /Y /Q /D"].append(xcopy(xargs + ["/D"]))
        remove(dst)
        first["cp -a + sync"].append(cp_sync(src, dst))
    remove(dst)
    m = median_table("(b) %d files of 1-16 KiB in 200 folders %s" % (args.files, place(src)), list(first.items()))
    ratio_line("(b) vestro / xcopy", m["vestro tree mode (copy + verify)"], m["xcopy /E /I /Y /Q"], "<= 0.5")
    paired_line("(b) vestro / floor handle", first["vestro tree mode (copy + verify)"], first["floor handle"], "<= 1.1")
    paired_line("(b) vestro / floor in place", first["vestro tree mode (copy + verify)"], first["floor"], "none")
    if OTHER:
        paired_line("(b) vestro / other build", first["vestro tree mode (copy + verify)"], first["other build"], "none")
    median_table("(c) second run over (b), nothing to copy", list(second.items()))
    paired_line("(c) vestro / xcopy /D", second["vestro second run"], second["xcopy /E /I /Y /Q /D"], "<= 0.4")
    if OTHER:
        paired_line("(c) vestro / other build", second["vestro second run"], second["other build second run"],
                    "<= 1 (no slower than the build before)")


def bench_mixed(args):
    warm_up(args)
    src = os.path.join(args.data, "mixed-src")
    total = mixed_tree(src, args.mixed)
    dst = os.path.join(args.data, "mixed-dst")
    s = {"vestro tree mode (copy + verify)": [], "floor handle": [], "floor": [], "xcopy /E /I /Y /Q": [],
         "cp -a + sync": []}

    def run_main():
        remove(dst); sync()
        s["vestro tree mode (copy + verify)"].append(vestro(src, dst, "REAL COPY COUNT = %d)" % args.mixed))

    def run_other():
        remove(dst); sync()
        s.setdefault("other build", []).append(vestro(src, dst, "REAL COPY COUNT = %d)" % args.mixed, OTHER))

    def run_floor():
        remove(dst); sync()
        s["floor handle"].append(floor(src, dst, args.mixed, "handle"))
        remove(dst); sync()
        s["floor"].append(floor(src, dst, args.mixed))

    for k in range(args.runs):
        in_turn(k, lambda: in_pairs(k, run_main, run_other), run_floor)
        remove(dst); sync()
        s["xcopy /E /I /Y /Q"].append(xcopy([harness.win_path(src), harness.win_path(dst), "/E", "/I", "/Y", "/Q"]))
        remove(dst); sync()
        s["cp -a + sync"].append(cp_sync(src, dst))
    remove(dst)
    m = median_table("(d) %d files of 0 B-8 MiB, log-uniform (%d bytes, edge sizes included) in 104 folders %s" % (
        args.mixed, total, place(src)), list(s.items()), total)
    ratio_line("(d) vestro / xcopy", m["vestro tree mode (copy + verify)"], m["xcopy /E /I /Y /Q"], "none")
    paired_line("(d) vestro / floor handle", s["vestro tree mode (copy + verify)"], s["floor handle"], "<= 1.1")
    paired_line("(d) vestro / floor in place", s["vestro tree mode (copy + verify)"], s["floor"], "none")
    if OTHER:
        paired_line("(d) vestro / other build", s["vestro tree mode (copy + verify)"], s["other build"], "none")


def make_stale(src, dst):
    """dst: a complete copy of src (made once) whose every file is one second
    older than its source, so that a run replaces every file."""
    if not os.path.isdir(dst):
        shutil.copytree(src, dst)
    for folder, _, names in os.walk(src):
        for name in names:
            st = os.stat(os.path.join(folder, name))
            os.utime(os.path.join(dst, os.path.relpath(folder, src), name),
                     ns=(st.st_atime_ns, st.st_mtime_ns - 1000000000))


def bench_stale(args):
    warm_up(args)
    src = os.path.join(args.shm, "src")
    small_tree(src, args.files)
    dst = os.path.join(args.shm, "stale-dst")
    remove(dst)
    s = {"vestro over a stale copy": [], "floor replace over the same": [], "floor in place over the same": []}
    expect = "REAL COPY COUNT = %d)" % args.files

    def run_main():
        make_stale(src, dst)
        s["vestro over a stale copy"].append(vestro(src, dst, expect))

    def run_other():
        make_stale(src, dst)
        s.setdefault("other build", []).append(vestro(src, dst, expect, OTHER))

    def run_floor():
        make_stale(src, dst)
        s["floor replace over the same"].append(floor(src, dst, args.files, "replace"))
        make_stale(src, dst)
        s["floor in place over the same"].append(floor(src, dst, args.files))

    for k in range(args.runs):
        in_turn(k, lambda: in_pairs(k, run_main, run_other), run_floor)
    remove(dst)
    median_table("(f) (b) copied again over a complete copy whose every file is 1 s older %s (every file "
                 "replaced: floor replace makes each new and renames it, the other overwrites in place)" % place(src),
                 list(s.items()))
    paired_line("(f) vestro / floor replace", s["vestro over a stale copy"], s["floor replace over the same"], "<= 1.1")
    paired_line("(f) vestro / floor in place", s["vestro over a stale copy"], s["floor in place over the same"], "none")
    if OTHER:
        paired_line("(f) vestro / other build", s["vestro over a stale copy"], s["other build"], "none")


def bench_memory(args):
    few = os.path.join(args.shm, "src-20")
    many = os.path.join(args.shm, "src")
    small_tree(few, 20)
    small_tree(many, args.files)
    dst = os.path.join(args.shm, "dst")
    peaks = {20: [], args.files: []}
    seen = {}
    for _ in range(min(args.runs, 3)):
        for files, src in ((20, few), (args.files, many)):
            remove(dst); before_wine()
            run = winerun.run(PROGRAM, [harness.win_path(src), harness.win_path(dst)], peak=True, watch=PROGRAM)
            if run.code != 0 or "REAL COPY COUNT = %d)" % files not in run.screen.dump():
                raise SystemExit("VESTRO run failed (%d):\n%s" % (run.code, run.screen.dump()))
            peaks[files].append(run.peak_kib)
            seen[files] = run.watched
    remove(dst)
    print("\n(e) peak resident set of the process running vestro.exe, fresh destination on tmpfs "
          "(GNU time %M around wine, in the pane)")
    for files in (20, args.files):
        print("  %6d files of 1-16 KiB           median %8d KiB   (runs: %s)" % (
            files, statistics.median(peaks[files]), " ".join(str(p) for p in peaks[files])))
        for pid, (hwm, parent, command) in sorted(seen[files].items()):
            print("         check: /proc/%d VmHWM %d KiB (last poll), parent %s, command %s" % (
                pid, hwm, parent.split()[0], command.split()[0]))
        if not seen[files]:
            print("         check: the process was not caught in /proc (run too short to poll)")
    diff = statistics.median(peaks[args.files]) - statistics.median(peaks[20])
    print("  %-34s %8d KiB   (%.1f bytes per extra file)" % (
        "difference", diff, diff * 1024.0 / (args.files - 20) if args.files > 20 else 0.0))
    sys.stdout.flush()


def bench_tree(args):
    for section, bench in (("a", bench_big), ("b", bench_small), ("d", bench_mixed), ("e", bench_memory),
                           ("f", bench_stale)):
        if section in args.sections:
            bench(args)


# --- calls ------------------------------------------------------------------

def image_size(path):
    """SizeOfImage from the PE optional header."""
    with open(path, "rb") as f:
        head = f.read(4096)
    pe = struct.unpack_from("<I", head, 0x3C)[0]
    return struct.unpack_from("<I", head, pe + 24 + 56)[0]


class Trace:
    """The calls of a relay trace made from the image of one program."""

    def __init__(self, path, program, root):
        self.lines = 0
        self.pid = None
        self.base = None
        self.calls = []  # library.function of each call, in order
        self.excluded = ""
        self.processes = {}  # pid: the first module it loaded (its program)
        self.listings = []  # [first index, index of its FindClose or None] for each listing of the root
        name = os.path.basename(program).lower()
        size = image_size(program)
        pattern = harness.win_path(root).replace("\\", "\\\\") + "\\\\*.*"
        marker = "Loaded L\""
        pending = None  # (tid, return address, listing) of a root listing whose handle is not yet known
        open_listings = {}
        prefix = None
        with open(path, "r", errors="replace") as f:
            for line in f:
                self.lines += 1
                if ":trace:" in line:
                    if "RelayExclude" in line and not self.excluded:
                        self.excluded = line.split("=", 1)[-1].strip().strip('L"')
                    at = line.find(marker)
                    if at > 0 and ":loaddll:" in line:
                        pid = line.split(":", 1)[0]
                        loaded = line[at + len(marker):].split('"', 1)
                        module = loaded[0].replace("\\\\", "\\").rsplit("\\", 1)[-1]
                        self.processes.setdefault(pid, module)
                        if self.pid is None and module.lower() == name:
                            self.pid = pid
                            self.base = int(loaded[1].split()[1].rstrip(":"), 16)
                            prefix = pid + ":"
                    continue
                if prefix is None:
                    continue
                if not line.startswith(prefix):
                    continue
                rest = line[len(prefix):]
                tid, _, rest = rest.partition(":")
                if rest.startswith("Ret  ") and pending and pending[0] == tid:
                    head, _, ret = rest.rstrip().rpartition(" ret=")
                    if "retval=" in head and int(ret, 16) == pending[1]:
                        open_listings[int(head.split("retval=", 1)[1], 16)] = pending[2]
                        pending = None
                    continue
                if not rest.startswith("Call "):
                    continue
                head, _, ret = rest.rstrip().rpartition(" ret=")
                try:
                    ret = int(ret, 16)
                except ValueError:
                    continue
                if not self.base <= ret < self.base + size:
                    continue
                function, _, arguments = head[5:].partition("(")
                index = len(self.calls)
                self.calls.append(function)
                short = function.rsplit(".", 1)[-1]
                if short.startswith("FindFirstFile") and pattern.lower() in arguments.lower():
                    listing = [index, None]
                    self.listings.append(listing)
                    pending = (tid, ret, listing)
                elif short == "FindClose":
                    try:
                        handle = int(arguments.split(")")[0].split(",")[0], 16)
                    except ValueError:
                        continue
                    listing = open_listings.pop(handle, None)
                    if listing:
                        listing[1] = index

    def phases(self):
        """Counts per call name in the whole run, in the copy walk (from the
        listing of the source root to its FindClose) and in the verification
        walk (the last listing of the source root): the walk is the same
        recursion in both, so the last two listings of the root are theirs."""
        whole, copy, verify = {}, {}, {}
        walks = [w for w in self.listings if w[1] is not None]
        spans = []
        if len(walks) >= 2:
            spans = [(copy, walks[-2]), (verify, walks[-1])]
        for index, function in enumerate(self.calls):
            whole[function] = whole.get(function, 0) + 1
            for counts, (start, end) in spans:
                if start <= index <= end:
                    counts[function] = counts.get(function, 0) + 1
        return whole, copy, verify, bool(spans)


def relay_run(program, src, dst, expect, trace_path, mode=None):
    before_wine()
    started = time.perf_counter()
    run = winerun.run(program, [harness.win_path(src), harness.win_path(dst)] + ([mode] if mode else []),
                      debug="+pid,+relay,+loaddll",
                      debug_file=trace_path)
    if run.code != 0 or expect not in run.screen.dump():
        raise SystemExit("%s under relay failed (%d):\n%s" % (program, run.code, run.screen.dump()))
    size = os.path.getsize(trace_path)
    trace = Trace(trace_path, program, src)
    if trace.pid is None:
        raise SystemExit("no load of %s found in %s" % (program, trace_path))
    return trace, time.perf_counter() - started, size


def is_system(function):
    return function.split(".", 1)[0].lower() in SYSTEM_LIBRARIES


def calls_table(title, files, results):
    """results: [(label, trace)], side by side."""
    counted = [(label, trace, trace.phases()) for label, trace in results]
    print("\n" + title)
    for label, trace, (_, _, _, split) in counted:
        others = ", ".join("%s %s" % (pid, module) for pid, module in sorted(trace.processes.items())
                           if pid != trace.pid)
        print("  %-6s process %s, image at %#x, %d calls from the image out of %d trace lines%s" % (
            label, trace.pid, trace.base, len(trace.calls), trace.lines,
            "" if split else "; copy and verification walks not told apart"))
        print("  %-6s other processes in the trace: %s" % ("", others or "none"))
    names = set()
    for _, _, (whole, _, _, _) in counted:
        names.update(whole)
    groups = [("kernel32/KERNELBASE/ntdll", sorted((n for n in names if is_system(n)), key=str.lower)),
              ("other libraries", sorted((n for n in names if not is_system(n)), key=str.lower))]
    columns = "".join("  %26s" % ("------- %s -------" % label) for label, _, _ in counted)
    print("  %-40s%s" % ("", columns))
    print("  %-40s%s" % ("call", "  %7s %6s %6s %6s" % ("total", "/file", "copy", "verify") * len(counted)))
    for group, members in groups:
        print("  [%s]" % group)
        sums = [[0, 0, 0] for _ in counted]
        for name in sorted(members, key=lambda n: (-max(c[2][0].get(n, 0) for c in counted), n.lower())):
            cells = ""
            for k, (_, _, (whole, copy, verify, _)) in enumerate(counted):
                w, c, v = whole.get(name, 0), copy.get(name, 0), verify.get(name, 0)
                sums[k][0] += w; sums[k][1] += c; sums[k][2] += v
                cells += "  %7d %6.2f %6.2f %6.2f" % (w, w / files, c / files, v / files)
            print("  %-40s%s" % (name, cells))
        cells = "".join("  %7d %6.2f %6.2f %6.2f" % (w, w / files, c / files, v / files) for w, c, v in sums)
        print("  %-40s%s" % ("all " + group, cells))
    print("  (/file: the run's calls over %d files; copy and verify: the calls of each walk, per file)" % files)
    sys.stdout.flush()


def bench_calls(args):
    src = os.path.join(args.shm, "calls-src")
    dst = os.path.join(args.shm, "calls-dst")
    files = args.calls_files
    calls_tree(src, files)
    work = os.environ["VESTRO_E2E_WORK"]
    runs = {}
    seconds = []
    for label, program, expect in (("vestro", PROGRAM, "REAL COPY COUNT = %d)"),
                                   ("floor", FLOOR_EXE, "%d files, 0 bad")):
        remove(dst)
        for which, wanted in (("first", files), ("second", 0 if label == "vestro" else files), ("stale", files)):
            if which == "stale":
                make_stale(src, dst)
            path = os.path.join(work, "relay-%s-%s.txt" % (label, which))
            mode = "replace" if which == "stale" and program == FLOOR_EXE else None
            trace, took, size = relay_run(program, src, dst, expect % wanted, path, mode)
            runs[(label, which)] = trace
            seconds.append("%s %s %.1f s (%d MB of trace)" % (label, which, took, size // 1000000))
            if not args.keep_traces:
                os.remove(path)
    remove(dst)
    print("\ncalls: %d files of 1-8 KiB in 10 folders on tmpfs, one run each under WINEDEBUG=+relay "
          "(trace in a file)" % files)
    print("  counted: the calls whose return address lies inside the program's image, in its own process")
    print("  not traced by wine (RelayExclude): %s" % (runs[("vestro", "first")].excluded or "nothing"))
    print("  under relay a run is slow: calls a program makes by the clock (once a second ...) come more often")
    print("  relay runs: " + "; ".join(seconds))
    calls_table("first run, fresh destination", files,
                [("vestro", runs[("vestro", "first")]), ("floor", runs[("floor", "first")])])
    calls_table("second run over the finished destination (floor copies everything again)", files,
                [("vestro", runs[("vestro", "second")]), ("floor", runs[("floor", "second")])])
    calls_table("third run over the finished destination made 1 s older (every file replaced; the floor "
                "replaces each the same safe way)", files, [("vestro", runs[("vestro", "stale")]), ("floor", runs[("floor", "stale")])])


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("what", choices=["file", "tree", "memory", "calls"])
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--size", type=int, default=1024, help="big file size in MiB")
    parser.add_argument("--big-runs", type=int, default=15,
                        help="rounds of section a of tree: on tmpfs a 1 GiB copy takes 0.5 s or 1.5 s by the "
                             "kernel's page handling, seemingly at random, so its median needs many rounds")
    parser.add_argument("--files", type=int, default=20000, help="files of the small tree")
    parser.add_argument("--mixed", type=int, default=2000, help="files of the mixed tree (at least 12)")
    parser.add_argument("--calls-files", type=int, default=200, help="files of the tree the calls are counted on")
    parser.add_argument("--keep-traces", action="store_true", help="keep the relay traces in VESTRO_E2E_WORK")
    parser.add_argument("--data", default=DISK, help="folder for the trees on disk")
    parser.add_argument("--shm", default=SHM, help="folder for the trees on tmpfs")
    parser.add_argument("--sections", default="abcdef",
                        help="of tree: a big file, b and c small files, d mixed tree, e memory, f every file replaced")
    parser.add_argument("--against", help="another vestro.exe (an earlier build) to run in the same rounds of tree")
    parser.add_argument("--desktop", choices=["held", "per-run"], default="held",
                        help="keep the prefix's desktop up through the bench, or let every run start its own")
    args = parser.parse_args()
    if args.mixed < len(EDGE_SIZES):
        parser.error("--mixed must be at least %d" % len(EDGE_SIZES))
    os.makedirs(os.environ["VESTRO_E2E_WORK"], exist_ok=True)
    os.makedirs(args.data, exist_ok=True)
    os.makedirs(args.shm, exist_ok=True)
    if args.what in ("tree", "calls"):
        build_floor()
    global PROGRAM, OTHER, DESKTOP
    DESKTOP = args.desktop
    # Every run uses one copy of the program, so that a rebuild during the
    # bench never mixes two builds in its figures.
    PROGRAM = os.path.join(os.environ["VESTRO_E2E_WORK"], "vestro.exe")
    shutil.copy2(harness.EXE, PROGRAM)
    if args.against:
        OTHER = os.path.join(os.environ["VESTRO_E2E_WORK"], "vestro-other.exe")
        shutil.copy2(args.against, OTHER)
    header(args)
    if OTHER:
        print("  against    %s (md5 %s), run in the same rounds" % (args.against, digest(OTHER)))
    harness.setup_prefix()
    hold = winerun.DesktopHold()
    try:
        if DESKTOP == "held":
            hold.start()
        {"file": bench_file, "tree": bench_tree, "memory": bench_memory, "calls": bench_calls}[args.what](args)
    finally:
        hold.stop()
        harness.stop_prefix()
    if digest(harness.EXE) != digest(PROGRAM):
        print("\n%s changed during the run (now modified %s, md5 %s); the figures are those of the copy taken at"
              " the start" % (harness.EXE, stamp(harness.EXE), digest(harness.EXE)))


if __name__ == "__main__":
    main()
