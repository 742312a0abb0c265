"""Times VESTRO under wine (inside tmux, so the screen is painted) against
native cp + sync and wine's own xcopy, alternating, and prints medians.

    python3 bench/bench_copy.py file [--runs N] [--size MIB]
    python3 bench/bench_copy.py tree [--runs N] [--size MIB] [--files N]

file: one file in file mode; tree: (a) a folder holding one big file,
(b) many small files on tmpfs, (c) the second run over (b).
Needs build/win/vestro.exe (sh tools/setup.sh builds it).
"""
import argparse
import os
import random
import shutil
import statistics
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
os.environ.setdefault("VESTRO_EXE", os.path.join(ROOT, "build", "win", "vestro.exe"))
os.environ.setdefault("VESTRO_WINEPREFIX", os.path.join(ROOT, "build", "bench-prefix"))
os.environ.setdefault("VESTRO_E2E_WORK", "/tmp/vestro-bench-runs")
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))
import harness  # noqa: E402

DISK = os.path.join(ROOT, "build", "bench-data")
SHM = "/dev/shm/vestro-bench"


def remove(path):
    if os.path.lexists(path):
        if os.path.isdir(path) and not os.path.islink(path):
            shutil.rmtree(path)
        else:
            os.remove(path)


def timed(command, **kwargs):
    started = time.perf_counter()
    subprocess.run(command, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, **kwargs)
    return time.perf_counter() - started


def sync():
    subprocess.run(["sync"], check=True)


def vestro(src, dst, expect):
    sync()
    run = harness.run_in_tmux([harness.win_path(src), harness.win_path(dst)], timeout=3600)
    if run.code != 0 or expect not in run.screen.dump():
        raise SystemExit("VESTRO run failed (%d):\n%s" % (run.code, run.screen.dump()))
    return run.seconds


def vestro_then_sync(src, dst, expect):
    seconds = vestro(src, dst, expect)
    return seconds + timed(["sync"])


def cp_sync(src, dst):
    sync()
    started = time.perf_counter()
    subprocess.run(["cp", "-a", src, dst], check=True)
    subprocess.run(["sync"], check=True)
    return time.perf_counter() - started


def xcopy(args):
    sync()
    with open(os.path.join(os.environ["VESTRO_E2E_WORK"], "xcopy.log"), "w") as log:
        started = time.perf_counter()
        subprocess.run([harness.WINE, "xcopy"] + args, check=True, env=harness.wine_env(), stdout=log, stderr=log,
                       stdin=subprocess.DEVNULL)
        return time.perf_counter() - started


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
    if os.path.isdir(root):
        return
    rng = random.Random(7)
    folders = [os.path.join(root, "a%d" % a, "b%d" % b, "c%d" % c)
               for a in range(6) for b in range(6) for c in range(6)][:200]
    for n in range(files):
        folder = folders[n % len(folders)]
        os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, "f%05d.bin" % n), "wb") as f:
            f.write(rng.randbytes(rng.randint(1024, 16 * 1024)))


def median_table(title, rows, size_bytes=None):
    print("\n" + title)
    base = None
    for name, samples in rows:
        m = statistics.median(samples)
        base = base or m
        rate = "  %8.1f MB/s" % (size_bytes / m / 1e6) if size_bytes else ""
        print("  %-34s median %8.3f s%s   (runs: %s)" % (name, m, rate, " ".join("%.2f" % s for s in samples)))
    return {name: statistics.median(samples) for name, samples in rows}


def ratio_line(label, a, b, target):
    print("  %-34s %.2fx  (target %s)" % (label, a / b, target))


def bench_file(args):
    src_dir = os.path.join(DISK, "file-src")
    src = os.path.join(src_dir, "big.bin")
    big_file(src, args.size)
    size = os.path.getsize(src)
    dst = os.path.join(DISK, "file-dst")
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
    m = median_table("file mode, one file of %d bytes on disk" % size, list(samples.items()), size)
    ratio_line("vestro / (cp + sync)", m["vestro file mode"], m["cp + sync"], "<= 1.05")
    ratio_line("vestro / xcopy", m["vestro file mode"], m["xcopy"], "< 1")


def bench_tree(args):
    # (a) a folder holding one big file, on disk
    src = os.path.join(DISK, "tree-src")
    big_file(os.path.join(src, "big.bin"), args.size)
    size = os.path.getsize(os.path.join(src, "big.bin"))
    dst = os.path.join(DISK, "tree-dst")
    samples = {"vestro tree mode": [], "vestro tree mode + sync": [], "cp -a + sync": [], "xcopy /E /I /Y /Q": []}
    for _ in range(args.runs):
        remove(dst); sync()
        samples["vestro tree mode"].append(vestro(src, dst, "REAL COPY COUNT = 1)"))
        samples["vestro tree mode + sync"].append(samples["vestro tree mode"][-1] + timed(["sync"]))
        remove(dst); sync()
        samples["cp -a + sync"].append(cp_sync(src, dst))
        remove(dst); sync()
        samples["xcopy /E /I /Y /Q"].append(xcopy([harness.win_path(src), harness.win_path(dst), "/E", "/I", "/Y", "/Q"]))
    remove(dst)
    m = median_table("(a) tree mode, one file of %d bytes on disk" % size, list(samples.items()), size)
    ratio_line("(a) vestro / (cp -a + sync)", m["vestro tree mode"], m["cp -a + sync"], "<= 1.05")

    # (b) and (c): many small files on tmpfs
    src = os.path.join(SHM, "src")
    small_tree(src, args.files)
    dst = os.path.join(SHM, "dst")
    first = {"vestro tree mode (copy + verify)": [], "xcopy /E /I /Y /Q": [], "cp -a + sync": []}
    second = {"vestro second run": [], "xcopy /E /I /Y /Q /D": []}
    expect = "REAL COPY COUNT = %d)" % args.files
    for _ in range(args.runs):
        remove(dst)
        first["vestro tree mode (copy + verify)"].append(vestro(src, dst, expect))
        second["vestro second run"].append(vestro(src, dst, "REAL COPY COUNT = 0)"))
        remove(dst)
        xargs = [harness.win_path(src), harness.win_path(dst), "/E", "/I", "/Y", "/Q"]
        first["xcopy /E /I /Y /Q"].append(xcopy(xargs))
        second["xcopy /E /I /Y /Q /D"].append(xcopy(xargs + ["/D"]))
        remove(dst)
        first["cp -a + sync"].append(cp_sync(src, dst))
    remove(dst)
    m = median_table("(b) %d files of 1-16 KiB in 200 folders on tmpfs" % args.files, list(first.items()))
    ratio_line("(b) vestro / xcopy", m["vestro tree mode (copy + verify)"], m["xcopy /E /I /Y /Q"], "<= 0.5")
    m2 = median_table("(c) second run over (b), nothing to copy", list(second.items()))
    ratio_line("(c) vestro / xcopy /D", m2["vestro second run"], m2["xcopy /E /I /Y /Q /D"], "<= 0.5")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("what", choices=["file", "tree"])
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--size", type=int, default=1024, help="big file size in MiB")
    parser.add_argument("--files", type=int, default=20000)
    args = parser.parse_args()
    os.makedirs(os.environ["VESTRO_E2E_WORK"], exist_ok=True)
    os.makedirs(DISK, exist_ok=True)
    harness.setup_prefix()
    try:
        (bench_file if args.what == "file" else bench_tree)(args)
    finally:
        harness.stop_prefix()


if __name__ == "__main__":
    main()
