"""File mode: one file copied with the copy screen, its times, the skip rule."""
import os
import shutil
import unittest

from harness import PREFIX, run_in_tmux, run_plain, scratch, win_path


def write_bytes(path, size, seed=1):
    block = bytes((i * 31 + seed) % 256 for i in range(4096))
    with open(path, "wb") as f:
        f.write((block * (size // 4096 + 1))[:size])


class FileMode(unittest.TestCase):
    def setUp(self):
        self.root = scratch("file-mode")
        self.src = os.path.join(self.root, "src")
        self.dst = os.path.join(self.root, "dst")
        os.makedirs(self.src)
        os.makedirs(self.dst)

    def assert_same_file(self, source, copy):
        with open(source, "rb") as a, open(copy, "rb") as b:
            self.assertTrue(a.read() == b.read(), "%s differs from %s" % (copy, source))
        self.assertEqual(int(os.stat(copy).st_mtime), int(os.stat(source).st_mtime))

    def test_copy_screen_then_already_copied(self):
        source = os.path.join(self.src, "a.jpg")
        write_bytes(source, 10 * 1024 * 1024 + 5)
        os.utime(source, (1500000000.7, 1600000000.9))
        run = run_in_tmux([win_path(source), win_path(self.dst)])
        screen = run.screen
        self.assertEqual(run.code, 0, screen.dump())
        self.assertEqual(screen.text(2), " FROM FOLDER = " + win_path(source))
        self.assertEqual(screen.attrs(2, 2, 14), {10})
        self.assertEqual(screen.text(3), " TO   FOLDER = " + win_path(self.dst) + "\\a.jpg")
        self.assertEqual(screen.attrs(3, 16, 10), {10})
        self.assertEqual(screen.text(5), " FILENAME = a.jpg")
        self.assertEqual(screen.attrs(5, 2, 16), {11})
        self.assertEqual(screen.text(6), " FILESIZE = 10,485,765")
        self.assertEqual(screen.attrs(6, 2, 21), {11})
        self.assertEqual(screen.text(7), " 100.00 %")
        self.assertEqual(screen.attrs(7, 2, 6), {15})
        copy = os.path.join(self.dst, "a.jpg")
        self.assertEqual(int(os.stat(copy).st_atime), 1500000000)  # before anything reads it
        self.assert_same_file(source, copy)

        before = os.stat(copy).st_mtime_ns, os.stat(copy).st_ctime_ns
        run = run_in_tmux([win_path(source), win_path(self.dst)])
        self.assertEqual(run.code, 0)
        self.assertEqual(run.screen.text(7), " Already Copied!")
        self.assertEqual(run.screen.attrs(7, 2, 7), {12})
        self.assertEqual(run.screen.text(6), " FILESIZE =")
        self.assertEqual((os.stat(copy).st_mtime_ns, os.stat(copy).st_ctime_ns), before)

        # A log gets the status word; a copy that cannot take its place (a
        # folder bears its name) ends with 1, before anything is written.
        self.assertEqual(run_plain([win_path(source), win_path(self.dst)]), (0, b"Already Copied!\r\n"))
        os.makedirs(os.path.join(self.root, "other", "a.jpg"))
        self.assertEqual(run_plain([win_path(source), win_path(os.path.join(self.root, "other"))]),
                         (1, b"Open Error!\r\n"))
        self.assertEqual(os.listdir(os.path.join(self.root, "other")), ["a.jpg"])

    def test_drive_root_target_doubles_the_backslash(self):
        drive = os.path.join(PREFIX, "dosdevices", "x:")
        if os.path.lexists(drive):
            os.remove(drive)
        os.symlink(self.dst, drive)
        try:
            source = os.path.join(self.src, "root.bin")
            write_bytes(source, 1000)
            run = run_in_tmux([win_path(source), "X:"])
            self.assertEqual(run.code, 0, run.screen.dump())
            self.assertEqual(run.screen.text(3), " TO   FOLDER = X:\\\\root.bin")
            self.assert_same_file(source, os.path.join(self.dst, "root.bin"))
        finally:
            os.remove(drive)

    def test_shift_jis_names_with_second_byte_5c(self):
        # 表 and ソ end in 0x5C in code page 932.
        for name in ("一覧表", "ソフト表.txt"):
            source = os.path.join(self.src, name)
            write_bytes(source, 777, seed=len(name))
            run = run_in_tmux([win_path(source), win_path(self.dst)])
            self.assertEqual(run.code, 0, run.screen.dump())
            self.assertEqual(run.screen.text(7), " 100.00 %")
            self.assert_same_file(source, os.path.join(self.dst, name))
        self.assertEqual(sorted(os.listdir(self.dst)), sorted(["一覧表", "ソフト表.txt"]))

    def test_empty_file(self):
        source = os.path.join(self.src, "empty")
        open(source, "wb").close()
        run = run_in_tmux([win_path(source), win_path(self.dst)])
        self.assertEqual(run.code, 0)
        self.assertEqual(run.screen.text(6), " FILESIZE = 0")
        self.assertEqual(run.screen.text(7), " 100.00 %")
        self.assert_same_file(source, os.path.join(self.dst, "empty"))


if __name__ == "__main__":
    unittest.main()
