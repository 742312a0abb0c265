"""Makes the README's pictures of the copy screen from the real program: runs
build/win/vestro.exe under wine in a tmux pane over a small tree of its own,
reads the pane with its colours and draws the cells into PNG files.

    /usr/bin/python3 tools/screenshots.py [--out DIR] [--prefix DIR] [--exe FILE]
    /usr/bin/python3 tools/screenshots.py --check

tree-mode.png: a tree copy whose destination already holds folders where the
source has files, so verification lists those files. tree-mode-copying.png:
a tree copy caught while it copies a large file (its name, size and share
done, and on row 9 how far the whole copy is). file-mode.png: one file copied. --out: where they go (docs/ by default). --check: draws them into a
temporary folder, checks them and removes them; exit code 1 when a picture
could not be made or does not show what it should.

Needs Pillow and DejaVu Sans Mono (Debian: python3-pil, fonts-dejavu-core),
besides wine and tmux. Pillow is Debian's, so any other interpreter hands over
to /usr/bin/python3.
"""
import argparse
import fcntl
import os
import re
import shutil
import stat
import sys
import tempfile
import time

SYSTEM_PYTHON = "/usr/bin/python3"

try:
    from PIL import Image, ImageDraw, ImageFont
except ImportError:
    if os.path.exists(SYSTEM_PYTHON) and os.path.realpath(sys.executable) != os.path.realpath(SYSTEM_PYTHON):
        os.execv(SYSTEM_PYTHON, [SYSTEM_PYTHON, os.path.abspath(__file__)] + sys.argv[1:])
    sys.exit("screenshots.py: needs Pillow (Debian package python3-pil) for %s" % SYSTEM_PYTHON)

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
FONT_DIR = "/usr/share/fonts/truetype/dejavu"
FONT = os.path.join(FONT_DIR, "DejaVuSansMono.ttf")
FONT_BOLD = os.path.join(FONT_DIR, "DejaVuSansMono-Bold.ttf")
FONT_SIZE = 16
LEADING = 2
MARGIN = 14
COLUMNS, ROWS = 80, 12

# The console's standard palette for the attributes the program paints with.
BACKGROUND = (0, 0, 0)
PALETTE = {
    7: (192, 192, 192),
    10: (0, 255, 0),
    11: (0, 255, 255),
    12: (255, 0, 0),
    14: (255, 255, 0),
    15: (255, 255, 255),
}
BRIGHT = {10, 11, 12, 14, 15}

# Source and destination sit on drives of their own, so that the pictures
# show short paths that do not depend on where the temporary folder is.
SOURCE_DRIVE, TARGET_DRIVE = "d:", "e:"
TREE = {
    "readme.txt": 1000,
    "2009/IMG_0001.jpg": 412345,
    "2009/IMG_0002.jpg": 398012,
    "2010/IMG_0101.jpg": 2621445,
    "2010/trip/IMG_0150.jpg": 305000,
    "2010/trip/notes.txt": 120,
}
EMPTY_FOLDERS = ["empty"]
# Folders already in the destination where the source has files: those copies
# cannot be written, and verification lists them.
BLOCKED = ["2009/IMG_0002.jpg", "readme.txt"]
SINGLE = "2010/IMG_0101.jpg"
# A file large enough to be caught part way (sparse: it takes no room).
LARGE = "2011/holiday.mp4"
LARGE_SIZES = (512 << 20, 2048 << 20)  # the second when the first went by too fast


def dos(drive, *parts):
    return "\\".join([drive.upper()] + [p.replace("/", "\\") for p in parts])


def write_file(path, size, seed):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    block = bytes((i * 31 + seed) % 251 for i in range(4096))
    with open(path, "wb") as f:
        f.write((block * (size // len(block) + 1))[:size])
    os.utime(path, (1500000000, 1600000000 + seed * 3600))


def build_trees(source_root, target_root):
    for n, (name, size) in enumerate(sorted(TREE.items())):
        write_file(os.path.join(source_root, "Photos", name), size, n)
    for folder in EMPTY_FOLDERS:
        os.makedirs(os.path.join(source_root, "Photos", folder), exist_ok=True)
    for name in BLOCKED:
        os.makedirs(os.path.join(target_root, "Backup", name))
    os.makedirs(os.path.join(target_root, "Share"))
    large = os.path.join(source_root, "Videos", LARGE)
    os.makedirs(os.path.dirname(large))
    open(large, "wb").close()


class Drives:
    """Maps drive letters of the prefix to folders for the length of a run."""

    def __init__(self, prefix, mapping):
        self.links = [(os.path.join(prefix, "dosdevices", letter), target) for letter, target in mapping]

    def __enter__(self):
        for link, target in self.links:
            if os.path.lexists(link):
                raise SystemExit("screenshots.py: %s is already mapped (%s); use another --prefix"
                                 % (os.path.basename(link), os.readlink(link) if os.path.islink(link) else "?"))
        for link, target in self.links:
            os.symlink(target, link)
        return self

    def __exit__(self, *exc):
        for link, target in self.links:
            if os.path.islink(link) and os.readlink(link) == target:
                os.remove(link)


def last_row(screen):
    rows = [n for n in range(1, len(screen.cells) + 1) if screen.text(n)]
    return rows[-1] if rows else 0


def cell_size(font):
    ascent, descent = font.getmetrics()
    return round(font.getlength("M")), ascent + descent + LEADING


def render(screen, path):
    """Draws rows 1 to the last painted one; returns the image size."""
    regular = ImageFont.truetype(FONT, FONT_SIZE)
    bold = ImageFont.truetype(FONT_BOLD, FONT_SIZE)
    width, height = cell_size(regular)
    rows = last_row(screen)
    image = Image.new("RGB", (COLUMNS * width + 2 * MARGIN, rows * height + 2 * MARGIN), BACKGROUND)
    draw = ImageDraw.Draw(image)
    for r, cells in enumerate(screen.cells[:rows]):
        for c, (ch, attr) in enumerate(cells[:COLUMNS]):
            if ch != " ":
                draw.text((MARGIN + c * width, MARGIN + r * height), ch,
                          font=bold if attr in BRIGHT else regular, fill=PALETTE.get(attr, PALETTE[7]))
    image.save(path)
    return image.size


def expect_row(problems, screen, row, text, attr=None, start=2):
    if screen.text(row) != text:
        problems.append("row %d is %r, not %r" % (row, screen.text(row), text))
    elif attr is not None:
        found = screen.attrs(row, start, len(text) - start + 1)
        if found != {attr}:
            problems.append("row %d is not in colour %d: %s" % (row, attr, sorted(found)))


def check_tree_screen(run):
    problems = []
    screen = run.screen
    if run.code != 1:  # the error verdict
        problems.append("exit code %d" % run.code)
    expect_row(problems, screen, 2, " FROM FOLDER = " + dos(SOURCE_DRIVE, "Photos"), 10)
    expect_row(problems, screen, 3, " TO   FOLDER = " + dos(TARGET_DRIVE, "Backup"), 10)
    expect_row(problems, screen, 5, " VERIFY DATA ERROR! (COPY ERROR COUNT = %d)" % len(BLOCKED), 15)
    listed = sorted(screen.text(6 + k) for k in range(len(BLOCKED)))
    wanted = sorted(" " + dos(SOURCE_DRIVE, "Photos", name) for name in BLOCKED)
    if listed != wanted:
        problems.append("mismatches listed %r, not %r" % (listed, wanted))
    if last_row(screen) != 5 + len(BLOCKED):
        problems.append("rows painted below the list")
    return problems


PROGRESS = re.compile(r"^ (\d+\.\d\d) %$")
TOTAL = re.compile(r"^ TOTAL (\d+\.\d\d) %  FILES \d+/\d+  SIZE \S+/\S+(  LEFT \d+:\d\d:\d\d)?$")


def part_way(screen):
    """Rows 5 to 7 show the large file with a share below 100 %, row 9 the whole copy's."""
    shown = PROGRESS.match(screen.text(7))
    return (screen.text(5) == " FILENAME = " + os.path.basename(LARGE) and shown is not None
            and 0 < float(shown.group(1)) < 100 and TOTAL.match(screen.text(9)) is not None)


def check_copying_screen(frame, size):
    problems = []
    if frame is None:
        return ["the copy of %s was never caught part way" % LARGE]
    expect_row(problems, frame, 2, " FROM FOLDER = " + dos(SOURCE_DRIVE, "Videos", os.path.dirname(LARGE)), 10)
    expect_row(problems, frame, 3, " TO   FOLDER = " + dos(TARGET_DRIVE, "Videos", os.path.dirname(LARGE)), 10)
    expect_row(problems, frame, 5, " FILENAME = " + os.path.basename(LARGE), 11)
    expect_row(problems, frame, 6, " FILESIZE = " + "{:,}".format(size), 11)
    if frame.attrs(7, 2, len(frame.text(7)) - 1) != {15}:
        problems.append("row 7 is not in colour 15")
    if not TOTAL.match(frame.text(9)):
        problems.append("row 9 is %r, not the whole run's progress" % frame.text(9))
    elif frame.attrs(9, 2, len(frame.text(9)) - 1) != {11}:
        problems.append("row 9 is not in colour 11")
    return problems


def shoot_copying(harness, prefix, source_root, target_root):
    """Runs a tree copy of the large file and keeps the first screen that
    shows it part way; a larger file when the copy went by too fast."""
    large = os.path.join(source_root, "Videos", LARGE)
    for size in LARGE_SIZES:
        os.truncate(large, size)
        shutil.rmtree(os.path.join(target_root, "Videos"), ignore_errors=True)
        caught = {}

        def watch(send, read_screen):
            for _ in range(2000):
                screen = read_screen()
                if part_way(screen):
                    caught["frame"] = screen
                    return
                if screen.text(5).startswith(" VERIFY"):
                    return

        run = harness.run_in_tmux([dos(SOURCE_DRIVE, "Videos"), dos(TARGET_DRIVE, "Videos")], keys=watch,
                                  width=COLUMNS, height=ROWS, timeout=120, prefix=prefix)
        shutil.rmtree(os.path.join(target_root, "Videos"), ignore_errors=True)
        if "frame" in caught and run.code == 0:
            return caught["frame"], size
    return None, size


def check_file_screen(run, size):
    problems = []
    screen = run.screen
    name = os.path.basename(SINGLE)
    if run.code != 0:
        problems.append("exit code %d" % run.code)
    expect_row(problems, screen, 2, " FROM FOLDER = " + dos(SOURCE_DRIVE, "Photos", SINGLE), 10)
    expect_row(problems, screen, 3, " TO   FOLDER = " + dos(TARGET_DRIVE, "Share", name), 10)
    expect_row(problems, screen, 5, " FILENAME = " + name, 11)
    expect_row(problems, screen, 6, " FILESIZE = " + "{:,}".format(size), 11)
    expect_row(problems, screen, 7, " 100.00 %", 15)
    if last_row(screen) != 7:
        problems.append("rows painted below the progress")
    return problems


def check_image(path, screen):
    """The PNG must have the size the cell grid gives and show the colours of
    the screen's painted cells."""
    width, height = cell_size(ImageFont.truetype(FONT, FONT_SIZE))
    rows = last_row(screen)
    size = (COLUMNS * width + 2 * MARGIN, rows * height + 2 * MARGIN)
    if not os.path.exists(path) or os.path.getsize(path) == 0:
        return ["%s is missing or empty" % os.path.basename(path)]
    with Image.open(path) as image:
        image.load()
        if image.format != "PNG" or image.size != size or rows == 0:
            return ["%s is %s %s, not PNG %s" % (os.path.basename(path), image.format, image.size, size)]
        colours = {c for _, c in image.convert("RGB").getcolors(maxcolors=1 << 16) or []}
    wanted = {PALETTE[a] for row in screen.cells[:rows] for ch, a in row if ch != " "}
    missing = wanted - colours
    return ["%s lacks the colours %s" % (os.path.basename(path), sorted(missing))] if missing else []


def make(exe, prefix, out_dir, work):
    """Runs the screens and writes the PNGs into out_dir; returns the problems."""
    import harness
    harness.EXE, harness.WORK = exe, work
    source_root, target_root = os.path.join(work, "d"), os.path.join(work, "e")
    build_trees(source_root, target_root)
    harness.setup_prefix(prefix)
    problems = []
    with Drives(prefix, [(SOURCE_DRIVE, source_root), (TARGET_DRIVE, target_root)]):
        shots = []
        run = harness.run_in_tmux([dos(SOURCE_DRIVE, "Photos"), dos(TARGET_DRIVE, "Backup")],
                                  width=COLUMNS, height=ROWS, timeout=60, prefix=prefix)
        shots.append(("tree-mode.png", run.screen, check_tree_screen(run)))
        run = harness.run_in_tmux([dos(SOURCE_DRIVE, "Photos", SINGLE), dos(TARGET_DRIVE, "Share")],
                                  width=COLUMNS, height=ROWS, timeout=60, prefix=prefix)
        shots.append(("file-mode.png", run.screen, check_file_screen(run, TREE[SINGLE])))
        frame, size = shoot_copying(harness, prefix, source_root, target_root)
        shots.append(("tree-mode-copying.png", frame, check_copying_screen(frame, size)))
    for name, screen, screen_problems in shots:
        if screen_problems:
            problems += ["%s: %s" % (name, p) for p in screen_problems]
            if screen is not None:
                problems.append("%s: the screen was\n%s" % (name, screen.dump()))
            continue
        path = os.path.join(out_dir, name)
        render(screen, path)
        problems += check_image(path, screen)
    return problems


def remove_tmux_socket():
    """tmux leaves the socket of the harness's server (named after this
    process) behind when the last session ends."""
    folder = os.path.join(os.environ.get("TMUX_TMPDIR") or "/tmp", "tmux-%d" % os.getuid())
    path = os.path.join(folder, "vestro-e2e-%d" % os.getpid())
    if os.path.exists(path) and stat.S_ISSOCK(os.stat(path).st_mode):
        os.remove(path)


def main():
    parser = argparse.ArgumentParser(description="Draws the README's pictures of the copy screen.")
    parser.add_argument("--out", default=os.path.join(ROOT, "docs"), help="folder for the PNGs (default: docs/)")
    parser.add_argument("--prefix", default=os.path.join(ROOT, "build", "screenshot-prefix"),
                        help="wine prefix of these runs, made on first use (default: build/screenshot-prefix)")
    parser.add_argument("--exe", default=os.path.join(ROOT, "build", "win", "vestro.exe"))
    parser.add_argument("--check", action="store_true",
                        help="draw into a temporary folder, check the pictures and remove them")
    args = parser.parse_args()
    exe, prefix = os.path.abspath(args.exe), os.path.abspath(args.prefix)
    if not os.path.isfile(exe):
        sys.exit("screenshots.py: no %s (sh tools/setup.sh builds it)" % exe)
    for font in (FONT, FONT_BOLD):
        if not os.path.isfile(font):
            sys.exit("screenshots.py: no %s (Debian package fonts-dejavu-core)" % font)
    sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))
    import harness

    started = time.time()
    os.makedirs(prefix, exist_ok=True)
    # One run at a time per prefix: each maps the same drives and stops the
    # prefix's server at the end.
    lock = os.open(prefix, os.O_RDONLY)
    fcntl.flock(lock, fcntl.LOCK_EX)
    work = tempfile.mkdtemp(prefix="vestro-shots-")
    try:
        shots = os.path.join(work, "png")
        os.makedirs(shots)
        problems = make(exe, prefix, shots, work)
        if not problems and not args.check:
            os.makedirs(args.out, exist_ok=True)
            for name in sorted(os.listdir(shots)):
                shutil.copyfile(os.path.join(shots, name), os.path.join(args.out, name))
                print(os.path.join(args.out, name))
    finally:
        harness.stop_prefix(prefix)
        shutil.rmtree(work, ignore_errors=True)
        remove_tmux_socket()
        os.close(lock)
    if problems:
        sys.exit("screenshots.py: " + "\nscreenshots.py: ".join(problems))
    if args.check:
        print("screenshots.py: all three pictures good (%.1f s)" % (time.time() - started))


if __name__ == "__main__":
    main()
