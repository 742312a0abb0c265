"""Hostile trees: link cycles, the destination inside the source, locked and
read-only copies, long paths, Shift-JIS names at every depth, names the
code page cannot spell and volumes whose file IDs are 0 or repeat. Nothing
may be lost, corrupted or written elsewhere."""
import os
import shutil
import signal
import subprocess
import time
import unittest

from harness import PREFIX, WINE, WORK, run_in_tmux, run_plain, scratch, sjis, win_path, wine_env
from tree_state import SourceKept, files_below, snapshot

HERE = os.path.dirname(os.path.abspath(__file__))
# Debian's python3-fusepy serves the system interpreter only.
FUSE_PYTHON = "/usr/bin/python3"


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def listed(printed):
    """The mismatch lines of a plain run, as text: those after its verdict line."""
    lines = printed.decode("cp932", "replace").splitlines()
    assert lines and lines[0].startswith("VERIFY DATA "), lines
    return sorted(line[1:] for line in lines[1:])


def mounted(path):
    """Read from the kernel's table, which a wedged mount cannot block."""
    with open("/proc/self/mounts") as f:
        return any(line.split()[1] == os.path.realpath(path) for line in f)


def unmount(path, lazy=False):
    if mounted(path):
        subprocess.run(["fusermount", "-u"] + (["-z"] if lazy else []) + [os.path.realpath(path)],
                       stderr=subprocess.DEVNULL, timeout=30)


class HostileTrees(SourceKept, unittest.TestCase):
    def assert_copies_intact(self, src, dst):
        """Every copy that exists equals its source, and carries its time."""
        sources = files_below(src)
        for name, data in files_below(dst).items():
            self.assertIn(name, sources, "a file appeared that is not in the source: " + name)
            self.assertEqual(data, sources[name], name)
            self.assertEqual(os.stat(os.path.join(src, name)).st_mtime_ns // 100,
                             os.stat(os.path.join(dst, name)).st_mtime_ns // 100, name)

    def mount_lying_ids(self, mode, backing, mountpoint):
        """Serves backing at mountpoint through fuse_ids.py until the test
        ends. The server is killed after 240 s at the latest: a wedged mount
        then fails every call instead of hanging the run."""
        os.makedirs(mountpoint)
        log = open(mountpoint + ".log", "w+")
        server = subprocess.Popen(["timeout", "-s", "KILL", "240", FUSE_PYTHON, os.path.join(HERE, "fuse_ids.py"),
                                   mode, backing, mountpoint], stdout=log, stderr=log, start_new_session=True)

        def stop():
            unmount(mountpoint)
            unmount(mountpoint, lazy=True)
            try:
                server.wait(timeout=10)
            except subprocess.TimeoutExpired:
                os.killpg(server.pid, signal.SIGKILL)
                server.wait()
            log.close()
        self.addCleanup(stop)
        for _ in range(200):
            if mounted(mountpoint) or server.poll() is not None:
                break
            time.sleep(0.05)
        log.seek(0)
        self.assertTrue(mounted(mountpoint), "fuse_ids.py did not mount: " + log.read())

    def test_volumes_whose_file_ids_are_zero_or_repeat(self):
        """Wine hands inode numbers on as file IDs: through fuse_ids.py every
        ID is 0, or a folder's repeats the one two levels above, on FROM's
        side or on TO's. Every folder is still copied once, FROM is not
        written, and a second run finds every copy current."""
        tree = {"top.txt": b"top", "a/one.txt": b"one", "a/b/two.txt": b"two!", "c/three.txt": b"three"}
        for side in ("from", "to"):
            for mode in ("zero", "repeat"):
                with self.subTest(side=side, mode=mode):
                    folder = "hostile-ids-%s-%s" % (mode, side)
                    unmount(os.path.join(WORK, folder, side), lazy=True)  # left by a killed run
                    root = scratch(folder)
                    backing, src, dst = (os.path.join(root, n) for n in ("backing", "from", "to"))
                    made = backing if side == "from" else src
                    for n, (name, data) in enumerate(sorted(tree.items())):
                        write(os.path.join(made, name), data)
                        stamp = 1600000000123456700 + n * 86400 * 10**9
                        os.utime(os.path.join(made, name), ns=(stamp, stamp))
                    if side == "to":
                        os.makedirs(backing)
                    self.mount_lying_ids(mode, backing, src if side == "from" else dst)
                    self.keep_source(made)
                    view = snapshot(src)
                    for copies in (4, 0):
                        run = run_in_tmux([win_path(src), win_path(dst)], timeout=60)
                        self.assertEqual(run.code, 0, run.screen.dump())
                        self.assertEqual(run.screen.text(5), " VERIFY DATA SUCCESS! (REAL COPY COUNT = %d)" % copies,
                                         run.screen.dump())
                        self.assertEqual(files_below(dst), tree)
                        self.assert_copies_intact(src, dst)
                        self.assert_source_unchanged()
                        self.assertEqual(snapshot(src), view)

    def test_a_whole_drive(self):
        """A drive's root holds System Volume Information and $RECYCLE.BIN,
        which no user may list: a copy of the drive leaves them out and is
        clean. Below the root such names are folders like any other."""
        root = scratch("hostile-drive")
        drive, dst = os.path.join(root, "drive"), os.path.join(root, "dst")
        write(os.path.join(drive, "photo.jpg"), b"photo")
        write(os.path.join(drive, "$RECYCLE.BIN", "S-1-5-21", "$R1.jpg"), b"deleted")
        write(os.path.join(drive, "System Volume Information", "tracking.log"), b"system")
        write(os.path.join(drive, "keep", "$Recycle.Bin", "kept.jpg"), b"kept")
        letter = os.path.join(PREFIX, "dosdevices", "p:")
        if os.path.lexists(letter):
            os.remove(letter)
        os.symlink(drive, letter)
        self.addCleanup(os.remove, letter)
        self.keep_source(drive)
        code, printed = run_plain(["P:", win_path(dst)])
        self.assertEqual((code, printed), (0, b"VERIFY DATA SUCCESS! (REAL COPY COUNT = 2)\r\n"))
        self.assertEqual(files_below(dst), {"photo.jpg": b"photo", "keep/$Recycle.Bin/kept.jpg": b"kept"})
        self.assert_source_unchanged()

    def test_a_share_that_drops_part_way(self):
        """TO on a view that fails every call once a write reaches 5 MiB of a
        9 MiB file: the run ends with 1, and no partial copy bears a real
        name, only a temporary one, which the next run, with the share back,
        clears as it copies the rest."""
        unmount(os.path.join(WORK, "hostile-drop", "to"), lazy=True)  # left by a killed run
        root = scratch("hostile-drop")
        src, backing, dst = (os.path.join(root, n) for n in ("from", "backing", "to"))
        write(os.path.join(src, "big.bin"), os.urandom(9 << 20))
        write(os.path.join(src, "small.txt"), b"small")
        os.makedirs(backing)
        self.mount_lying_ids("drop", backing, dst)
        self.keep_source(src)
        run = run_in_tmux([win_path(src), win_path(dst)], timeout=90)
        self.assertEqual(run.code, 1, run.screen.dump())
        self.assertTrue(run.screen.text(5).startswith(" VERIFY DATA ERROR!"), run.screen.dump())
        unmount(dst)
        unmount(dst, lazy=True)
        sources = files_below(src)
        for name, data in files_below(backing).items():
            self.assertTrue(name.endswith(".vestro-tmp") or data == sources.get(name), name + " is partial")
        self.assertNotIn("big.bin", os.listdir(backing))
        left = 2 - ("small.txt" in os.listdir(backing))
        code, printed = run_plain([win_path(src), win_path(backing)])
        self.assertEqual((code, printed), (0, b"VERIFY DATA SUCCESS! (REAL COPY COUNT = %d)\r\n" % left))
        self.assertEqual(files_below(backing), sources)
        self.assert_source_unchanged()

    def test_a_folder_under_two_names(self):
        """A bind mount gives FROM a second name, as two server names give a
        share: TO below that name, or TO the second name of a folder inside
        FROM, lies inside FROM whatever its final path says. Nothing is
        written there, and the verdict lists FROM."""
        root = os.path.join(WORK, "hostile-alias")
        for left in ("g", "h"):  # left by a killed run
            if os.path.ismount(os.path.join(root, left)):
                subprocess.run(["umount", "-l", os.path.join(root, left)])
        alias = os.path.join(root, "g")
        root = scratch("hostile-alias")
        src = os.path.join(root, "f")
        write(os.path.join(src, "top.txt"), b"top")
        write(os.path.join(src, "pics", "1.jpg"), b"jpg")
        os.makedirs(os.path.join(src, "Backup"))  # as a first try made it
        os.makedirs(alias)
        subprocess.run(["mount", "--bind", src, alias], check=True)
        self.addCleanup(subprocess.run, ["umount", "-l", alias])
        self.keep_source(src)
        for to in ("Backup", "pics"):
            run = run_in_tmux([win_path(src), win_path(os.path.join(alias, to))], timeout=60)
            self.assertEqual(run.code, 1, run.screen.dump())
            self.assertEqual(run.screen.text(5), " VERIFY DATA ERROR! (COPY ERROR COUNT = 1)", run.screen.dump())
            self.assertEqual(run.screen.text(6), " " + win_path(src))
            self.assert_source_unchanged()
        # TO itself a second name of one of FROM's folders, with nothing above
        # it that is FROM: the count meets it before anything is written.
        second = os.path.join(root, "h")
        os.makedirs(second)
        subprocess.run(["mount", "--bind", os.path.join(src, "pics"), second], check=True)
        self.addCleanup(subprocess.run, ["umount", "-l", second])
        code, printed = run_plain([win_path(src), win_path(second)])
        self.assertEqual(code, 1)
        self.assertIn(win_path(os.path.join(src, "pics")), listed(printed))
        self.assert_source_unchanged()

    def test_symlink_cycles(self):
        root = scratch("hostile-cycle")
        src, dst = os.path.join(root, "src"), os.path.join(root, "dst")
        write(os.path.join(src, "a", "f.txt"), b"f")
        write(os.path.join(src, "g.txt"), b"g")
        os.symlink(".", os.path.join(src, "loop"))
        os.symlink("..", os.path.join(src, "a", "up"))
        self.keep_source(src)
        run = run_in_tmux([win_path(src), win_path(dst)], timeout=60)
        self.assertEqual(run.code, 0, run.screen.dump())
        self.assertEqual(run.screen.text(5), " VERIFY DATA SUCCESS! (REAL COPY COUNT = 2)")
        self.assertEqual(sorted(files_below(dst)), ["a/f.txt", "g.txt"])
        self.assert_copies_intact(src, dst)
        self.assert_source_unchanged()

    def test_destination_inside_the_source_by_a_relative_path(self):
        """Every copy would land in the source: nothing is copied, and the
        verdict names FROM."""
        root = scratch("hostile-inside")
        src = os.path.join(root, "src")
        write(os.path.join(src, "one.txt"), b"1")
        write(os.path.join(src, "sub", "two.txt"), b"2")
        os.makedirs(os.path.join(src, "copy"))
        self.keep_source(src)
        run = run_in_tmux([win_path(src), "copy"], cwd=src)
        self.assertEqual(run.code, 1, run.screen.dump())
        self.assertEqual(run.screen.text(5), " VERIFY DATA ERROR! (COPY ERROR COUNT = 1)")
        self.assertEqual(run.screen.text(6), " " + win_path(src))
        self.assert_source_unchanged()

    def test_read_only_and_locked_copies(self):
        root = scratch("hostile-locked")
        src, dst = os.path.join(root, "src"), os.path.join(root, "dst")
        for name in ("free.txt", "ro.txt", "held.txt"):
            write(os.path.join(src, name), name.encode() * 1000)
        write(os.path.join(dst, "ro.txt"), b"old read-only copy")
        write(os.path.join(dst, "held.txt"), b"old held copy")
        os.chmod(os.path.join(dst, "ro.txt"), 0o444)
        holder = os.path.join(WORK, "hold_file.exe")
        if not os.path.exists(holder):
            subprocess.run(["x86_64-w64-mingw32-g++-posix", "-static", "-O2", "-o", holder,
                            os.path.join(HERE, "hold_file.cpp")], check=True)
        ready, stop = os.path.join(root, "ready"), os.path.join(root, "stop")
        hold = subprocess.Popen([WINE, holder, win_path(os.path.join(dst, "held.txt")), win_path(ready),
                                 win_path(stop)], env=wine_env(), stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL)
        try:
            for _ in range(200):
                if os.path.exists(ready):
                    break
                time.sleep(0.05)
            self.assertTrue(os.path.exists(ready), "the holder did not open the file")
            self.keep_source(src)
            run = run_in_tmux([win_path(src), win_path(dst)])
            code, printed = run_plain([win_path(src), win_path(dst)])
        finally:
            open(stop, "w").close()
            hold.wait(timeout=30)
        self.assertEqual(run.code, 1)
        # Wine leaves read-only files writable to root (it goes by the Unix
        # permissions); elsewhere the open is refused and the file listed.
        with open(os.path.join(dst, "ro.txt"), "rb") as f:
            ro_copied = f.read() == b"ro.txt" * 1000
        expected = ["held.txt"] if ro_copied else ["held.txt", "ro.txt"]
        self.assertEqual(run.screen.text(5), " VERIFY DATA ERROR! (COPY ERROR COUNT = %d)" % len(expected),
                         run.screen.dump())
        self.assertEqual(listed(printed), sorted(win_path(os.path.join(src, n)) for n in expected))
        if not ro_copied:
            with open(os.path.join(dst, "ro.txt"), "rb") as f:
                self.assertEqual(f.read(), b"old read-only copy")
        with open(os.path.join(dst, "held.txt"), "rb") as f:
            self.assertEqual(f.read(), b"old held copy")
        with open(os.path.join(dst, "free.txt"), "rb") as f:
            self.assertEqual(f.read(), b"free.txt" * 1000)
        self.assert_source_unchanged()

    def test_path_lengths_around_the_limits(self):
        root = scratch("hostile-long")
        src, dst = os.path.join(root, "s"), os.path.join(root, "d")  # same length: same path lengths
        base = len(win_path(src)) + 1
        made = {}
        for total in (259, 260, 519, 520):
            left = total - base
            parts = []
            while left > 101:
                parts.append("%d" % total + "p" * (96 - len(str(total))))
                left -= 97
            parts.append(("f%d" % total).ljust(left, "x"))
            path = os.path.join(src, *parts)
            write(path, b"%d" % total)
            self.assertEqual(len(win_path(path)), total)
            made[total] = path
        self.keep_source(src)
        run = run_in_tmux([win_path(src), win_path(dst)], timeout=60)
        self.assertEqual(run.code, 1, run.screen.dump())
        code, printed = run_plain([win_path(src), win_path(dst)])
        mismatches = listed(printed)

        def listed_at(path):
            """The path, or a folder above it whose own header line would not fit."""
            return any(path == line or path.startswith(line + "\\") for line in mismatches)
        self.assertTrue(listed_at(win_path(made[520])), mismatches)  # does not fit a path buffer: listed whole
        self.assertTrue(listed_at(win_path(made[519])), mismatches)  # the narrow calls stop near 260 under wine
        self.assertNotIn(win_path(made[259]), mismatches)
        with open(os.path.join(dst, os.path.relpath(made[259], src)), "rb") as f:
            self.assertEqual(f.read(), b"259")
        self.assert_copies_intact(src, dst)
        self.assertEqual(sorted(os.listdir(root)), ["d", "s"])
        self.assert_source_unchanged()

    def test_shift_jis_names_ending_in_5c_at_every_depth(self):
        root = scratch("hostile-sjis")
        src, dst = os.path.join(root, "元表"), os.path.join(root, "先ソ")
        folder = src
        for depth, name in enumerate(["表", "ソ", "能", "十", "予"]):
            folder = os.path.join(folder, name)
            write(os.path.join(folder, "%s%d.txt" % (name, depth)), os.urandom(700 + depth))
        self.keep_source(src)
        run = run_in_tmux([win_path(src), win_path(dst)])
        self.assertEqual(run.code, 0)
        self.assertEqual(run.screen.text(5), " VERIFY DATA SUCCESS! (REAL COPY COUNT = 5)")
        self.assertEqual(files_below(dst), files_below(src))
        self.assert_copies_intact(src, dst)
        self.assert_source_unchanged()

    def test_names_the_code_page_cannot_spell(self):
        root = scratch("hostile-names")
        src, dst = os.path.join(root, "src"), os.path.join(root, "dst")
        write(os.path.join(src, "cafe.txt"), b"plain")
        write(os.path.join(src, "café.txt"), b"accented")
        write(os.path.join(src, "한.txt"), b"hangul")
        write(os.path.join(src, "a¥b.txt"), b"yen")
        write(os.path.join(src, "dir¥sub", "inner.txt"), b"inner")
        write(os.path.join(src, "..¥escape", "x.txt"), b"escape")
        write(os.path.join(src, "ok", "表.txt"), b"fine")
        self.keep_source(src)
        run = run_in_tmux([win_path(src), win_path(dst)])
        self.assertEqual(run.code, 1, run.screen.dump())
        self.assertEqual(run.screen.text(5), " VERIFY DATA ERROR! (COPY ERROR COUNT = 5)")
        code, printed = run_plain([win_path(src), win_path(dst)])
        self.assertEqual(listed(printed), sorted(win_path(src) + "\\" + n for n in
                                                 ("caf?.txt", "?.txt", "a?b.txt", "dir?sub", "..?escape")))
        self.assertEqual(files_below(dst), {"cafe.txt": b"plain", "ok/表.txt": b"fine"})
        self.assertEqual(sorted(os.listdir(root)), ["dst", "src"])
        self.assertEqual(sorted(os.listdir(dst)), ["cafe.txt", "ok"])
        self.assert_source_unchanged()

    def test_names_the_system_would_take_for_others(self):
        """A trailing dot or blank is dropped by the system, a device name
        opens the device, and case twins from a case-sensitive source reach
        one file: none is copied through its look-alike, and the verdict
        names them."""
        for same_size in (True, False):
            root = scratch("hostile-lookalike")
            src, dst = os.path.join(root, "src"), os.path.join(root, "dst")
            write(os.path.join(src, "report"), b"plain report")
            write(os.path.join(src, "report."), b"dotted report")
            write(os.path.join(src, "sp"), b"no blank")
            write(os.path.join(src, "sp "), b"with a blank")
            write(os.path.join(src, "aux.txt"), b"not a device")
            write(os.path.join(src, "Readme.txt"), b"first twin")
            write(os.path.join(src, "README.txt"), b"other twin" if same_size else b"the other, longer twin")
            for name in ("Readme.txt", "README.txt"):
                os.utime(os.path.join(src, name), ns=(1600000000000000000, 1600000000000000000))
            self.keep_source(src)
            code, printed = run_plain([win_path(src), win_path(dst)])
            self.assertEqual(code, 1)
            twins = [n for n in os.listdir(src) if n.lower() == "readme.txt"]  # in the order wine lists them
            copied = [n for n in os.listdir(dst) if n.lower() == "readme.txt"]
            self.assertEqual(len(copied), 1)
            left = [n for n in twins if n != copied[0]]
            self.assertEqual(listed(printed), sorted(win_path(src) + "\\" + n for n in
                                                     ["report.", "sp ", "aux.txt"] + left))
            self.assertEqual(sorted(os.listdir(dst)), sorted(["report", "sp"] + copied))
            self.assert_copies_intact(src, dst)
            self.assert_source_unchanged()
            shutil.rmtree(dst)
            run = run_in_tmux([win_path(src), win_path(dst)])
            self.assertEqual(run.screen.text(5), " VERIFY DATA ERROR! (COPY ERROR COUNT = 4)", run.screen.dump())
            self.assert_source_unchanged()

    def test_what_already_stands_in_the_destination(self):
        """Hard links and symbolic links in TO to other source files, folder
        links in TO to a sibling of the folder copied, to a folder below the
        one copied and, two levels down, to FROM itself, and a temporary file
        a stopped run left: none sends a write into FROM, in either mode, and
        the copies made are real files."""
        root = scratch("hostile-standing")
        src, dst = os.path.join(root, "src"), os.path.join(root, "dst")
        write(os.path.join(src, "a.txt"), b"a" * 3000)
        write(os.path.join(src, "b.txt"), b"the source's b " * 100)
        write(os.path.join(src, "c.txt"), b"c" * 700)
        write(os.path.join(src, "d.txt"), b"d" * 5000)
        write(os.path.join(src, "x", "x.txt"), b"x")
        write(os.path.join(src, "y", "y.txt"), b"y")
        write(os.path.join(src, "y", "sub", "s.txt"), b"s")
        write(os.path.join(src, "z", "z.txt"), b"z")
        write(os.path.join(src, "z", "deep", "e.txt"), b"e")
        write(os.path.join(dst, "d.txt"), b"an old copy")
        write(os.path.join(dst, "d.txt.vestro-tmp"), b"what a stopped run left")
        os.link(os.path.join(src, "b.txt"), os.path.join(dst, "a.txt"))
        os.symlink(os.path.join(src, "b.txt"), os.path.join(dst, "c.txt"))
        os.symlink(os.path.join(src, "y"), os.path.join(dst, "x"))
        os.symlink(os.path.join(src, "y", "sub"), os.path.join(dst, "y"))
        os.makedirs(os.path.join(dst, "z"))
        os.symlink(src, os.path.join(dst, "z", "deep"))
        self.keep_source(src)
        run = run_in_tmux([win_path(src), win_path(dst)])
        self.assertEqual(run.code, 1, run.screen.dump())
        self.assertEqual(run.screen.text(5), " VERIFY DATA ERROR! (COPY ERROR COUNT = 3)", run.screen.dump())
        self.assertEqual(sorted(run.screen.text(r) for r in (6, 7, 8)),
                         sorted(" " + win_path(os.path.join(src, *p)) for p in (["x"], ["y"], ["z", "deep"])))
        self.assert_source_unchanged()
        for name in ("a.txt", "c.txt", "d.txt", "z/z.txt"):
            copy = os.path.join(dst, name)
            self.assertFalse(os.path.islink(copy), name)
            self.assertEqual(os.stat(copy).st_nlink, 1, name)
        self.assertEqual(os.stat(os.path.join(src, "b.txt")).st_nlink, 1)
        self.assertNotIn("d.txt.vestro-tmp", os.listdir(dst))
        self.assert_copies_intact(src, os.path.join(dst))
        # File mode: the same links in its TO.
        for kind in ("hard", "symbolic"):
            to = os.path.join(root, "to-" + kind)
            os.makedirs(to)
            (os.link if kind == "hard" else os.symlink)(os.path.join(src, "b.txt"), os.path.join(to, "a.txt"))
            run = run_in_tmux([win_path(os.path.join(src, "a.txt")), win_path(to)])
            self.assertEqual(run.code, 0, run.screen.dump())
            self.assertEqual(run.screen.text(7), " 100.00 %", run.screen.dump())
            copy = os.path.join(to, "a.txt")
            self.assertFalse(os.path.islink(copy))
            with open(copy, "rb") as f:
                self.assertEqual(f.read(), b"a" * 3000)
            self.assertEqual(os.listdir(to), ["a.txt"])
            self.assert_source_unchanged()

    def stale_layout(self, name, size, case, mode):
        """FROM holds name, TO a stale copy of it, both in the folder drive
        Q: leads to (so that a long name keeps its path short). On the small
        volume TO is a tmpfs of its own, drive R: (wine shows no mount in a
        folder as a reparse point), with a leftover that keeps back just the
        room the new copy needs until it goes."""
        folder = "hostile-replace-%s-%s" % (case, mode)
        src, dst = os.path.join(WORK, folder, "from"), os.path.join(WORK, folder, "to")
        if mounted(dst):  # left by a killed run
            subprocess.run(["umount", "-l", dst])
        drive = os.path.join(PREFIX, "dosdevices", "q:")
        if os.path.lexists(drive):
            os.remove(drive)
        os.symlink(scratch(folder), drive)
        write(os.path.join(src, name), os.urandom(size))
        os.makedirs(dst)
        if case == "small-volume":
            subprocess.run(["mount", "-t", "tmpfs", "-o", "size=10m", "tmpfs", dst], check=True)
            self.addCleanup(subprocess.run, ["umount", dst])
            small = os.path.join(PREFIX, "dosdevices", "r:")
            if os.path.lexists(small):
                os.remove(small)
            os.symlink(dst, small)
            self.addCleanup(lambda: os.path.lexists(small) and os.remove(small))
        write(os.path.join(dst, name), b"o" * size)
        os.utime(os.path.join(dst, name), ns=(1500000000 * 10**9,) * 2)
        if case == "small-volume":
            def room():
                volume = os.statvfs(dst)
                return volume.f_bavail * volume.f_frsize
            free = room()
            write(os.path.join(dst, name + ".vestro-tmp"), b"l" * (free - size + (1 << 20)))
            self.assertTrue(room() < size <= free, (room(), size, free))
        return src, dst

    def test_replacing_stale_copies(self):
        """A stale copy whose name leaves no room for the temporary ending,
        and one on a volume that has room for the new copy only once a
        stopped run's leftover is gone, are replaced in both modes; a source
        that bears a temporary name is refused in file mode."""
        drive = os.path.join(PREFIX, "dosdevices", "q:")
        self.addCleanup(lambda: os.path.lexists(drive) and os.remove(drive))
        cases = (("long-name", "n" * 246 + ".bin", 3000), ("small-volume", "big.bin", 4 << 20))
        for case, name, size in cases:
            for mode in ("tree", "file"):
                with self.subTest(case=case, mode=mode):
                    src, dst = self.stale_layout(name, size, case, mode)
                    self.keep_source(src)
                    to = "R:\\" if case == "small-volume" else "Q:\\to"
                    run = run_in_tmux(["Q:\\from" + ("" if mode == "tree" else "\\" + name), to])
                    self.assertEqual(run.code, 0, run.screen.dump())
                    if mode == "tree":  # row 5 is blanked to column 80; the long name stands beyond
                        self.assertEqual(run.screen.text(5)[:80].rstrip(),
                                         " VERIFY DATA SUCCESS! (REAL COPY COUNT = 1)", run.screen.dump())
                    else:
                        self.assertEqual(run.screen.text(7), " 100.00 %", run.screen.dump())
                    self.assertEqual(os.listdir(dst), [name])
                    with open(os.path.join(src, name), "rb") as a, open(os.path.join(dst, name), "rb") as b:
                        self.assertTrue(a.read() == b.read(), "the copy differs from its source")
                    # File mode sets the time its whole-second status gives.
                    unit = 100 if mode == "tree" else 10**9
                    self.assertEqual(os.stat(os.path.join(src, name)).st_mtime_ns // unit,
                                     os.stat(os.path.join(dst, name)).st_mtime_ns // unit)
                    self.assert_source_unchanged()
        root = scratch("hostile-replace-temporary-source")
        src, dst = os.path.join(root, "from"), os.path.join(root, "to")
        write(os.path.join(src, "b.txt.vestro-tmp"), b"b" * 100)
        os.makedirs(dst)
        self.keep_source(src)
        run = run_in_tmux([win_path(os.path.join(src, "b.txt.vestro-tmp")), win_path(dst)])
        self.assertEqual(run.screen.text(7), " Open Error!", run.screen.dump())
        self.assertEqual(os.listdir(dst), [])
        self.assert_source_unchanged()

    def check_refused(self, src, to):
        """Runs src into the TO text to, which really lies inside the source:
        nothing changes in the source, and the verdict lists FROM."""
        self.keep_source(src)
        code, printed = run_plain([win_path(src) if os.path.isabs(src) else src, to])
        self.assertEqual(code, 1)
        self.assertEqual(listed(printed), [win_path(src) if os.path.isabs(src) else src])
        self.assert_source_unchanged()

    def test_destination_reached_through_links_and_spellings(self):
        root = scratch("hostile-spelled")
        src = os.path.join(root, "src")
        write(os.path.join(src, "b.txt"), b"b")
        write(os.path.join(src, "sub", "a.txt"), b"a")
        write(os.path.join(src, "sub", "deeper", "c.txt"), b"c")
        os.makedirs(os.path.join(src, "out"))
        os.makedirs(os.path.join(root, "other"))
        # TO a link into the source tree, at its first level and deeper.
        os.symlink(os.path.join(src, "sub"), os.path.join(root, "j"))
        os.symlink(os.path.join(src, "sub", "deeper"), os.path.join(root, "k"))
        self.check_refused(src, win_path(os.path.join(root, "j")))
        self.check_refused(src, win_path(os.path.join(root, "k")))
        # FROM a link to a folder that holds TO; TO spelled with ".." and
        # with forward slashes.
        os.symlink(src, os.path.join(root, "lnk"))
        self.check_refused(os.path.join(root, "lnk"), win_path(os.path.join(src, "out")))
        self.check_refused(src, win_path(os.path.join(root, "other")) + "\\..\\src\\out")
        self.check_refused(src, win_path(os.path.join(src, "out")).replace("\\", "/"))
        # TO a link to the folder above FROM: the copy of src\src would land
        # in FROM itself, over its own files. It is not made, and listed.
        write(os.path.join(src, "src", "b.txt"), b"inner b")
        os.symlink(root, os.path.join(root, "up"))
        self.keep_source(src)
        code, printed = run_plain([win_path(src), win_path(os.path.join(root, "up"))])
        self.assertEqual(code, 1)
        self.assertEqual(listed(printed), [win_path(os.path.join(src, "src"))])
        self.assert_source_unchanged()
        self.assertEqual(files_below(os.path.join(root, "sub")), {"a.txt": b"a", "deeper/c.txt": b"c"})


if __name__ == "__main__":
    unittest.main()
