"""Tree mode: a tree copied, verified and judged, with the list of mismatches."""
import os
import re
import time
import unittest

from harness import run_in_tmux, run_plain, scratch, sjis, win_path
from tree_state import SourceKept

# 表, ソ and 能 end in 0x5C in code page 932.
TREE = {
    "readme.txt": 1000,
    "空.txt": 0,
    "表/ソフト/能.jpg": 9 * 1024 * 1024 + 7,
    "表/exact.bin": 8 * 1024 * 1024,
    "表/tail.bin": 4194404,
    "2009/a/b/c/deep.txt": 100,
    "2009/a/sector.bin": 512,
}
FOLDERS = ["empty", "2009/a/b/empty too"]


def build_tree(root):
    for n, (name, size) in enumerate(sorted(TREE.items())):
        path = os.path.join(root, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(os.urandom(size))
        os.utime(path, ns=(1500000000123456700 + n, 1600000000987654300 + n * 1000000007))
    for folder in FOLDERS:
        os.makedirs(os.path.join(root, folder), exist_ok=True)


def files_below(root):
    found = set()
    for folder, _, names in os.walk(root):
        for name in names:
            found.add(os.path.relpath(os.path.join(folder, name), root))
    return found


class TreeMode(SourceKept, unittest.TestCase):
    def setUp(self):
        self.root = scratch("tree-mode")
        self.src = os.path.join(self.root, "写真表")
        self.dst = os.path.join(self.root, "backup")
        build_tree(self.src)
        self.keep_source(self.src)

    def assert_identical_tree(self):
        self.assertEqual(files_below(self.dst), files_below(self.src))
        for name in TREE:
            a, b = os.path.join(self.src, name), os.path.join(self.dst, name)
            with open(a, "rb") as fa, open(b, "rb") as fb:
                self.assertTrue(fa.read() == fb.read(), name)
            # The last-write time is carried at full precision (100 ns).
            self.assertEqual(os.stat(a).st_mtime_ns // 100, os.stat(b).st_mtime_ns // 100, name)
        for folder in FOLDERS:
            self.assertTrue(os.path.isdir(os.path.join(self.dst, folder)), folder)

    def test_copy_verify_and_second_run(self):
        run = run_in_tmux([win_path(self.src), win_path(self.dst)])
        screen = run.screen
        self.assertEqual(run.code, 0, screen.dump())
        self.assert_identical_tree()
        self.assertEqual(screen.text(5), " VERIFY DATA SUCCESS! (REAL COPY COUNT = %d)" % len(TREE))
        self.assertEqual(screen.attrs(5, 2, 41), {15})
        self.assertEqual(screen.text(6), "")
        self.assertEqual(screen.text(7), "")
        # Rows 2 and 3 are checked on an ASCII tree below: the pane garbles
        # Shift-JIS cells, and with them the columns that follow.
        self.assertTrue(screen.text(3).startswith(" TO   FOLDER = " + win_path(self.dst)))
        self.assertEqual(screen.attrs(3, 2, 14), {10})

        run = run_in_tmux([win_path(self.src), win_path(self.dst)])
        self.assertEqual(run.code, 0)
        self.assertEqual(run.screen.text(5), " VERIFY DATA SUCCESS! (REAL COPY COUNT = 0)")
        self.assert_identical_tree()
        self.assert_source_unchanged()

    def test_error_verdict_lists_source_paths(self):
        os.makedirs(os.path.join(self.dst, "readme.txt"))  # a folder where the source has a file
        os.makedirs(os.path.join(self.dst, "2009", "a", "sector.bin"))
        run = run_in_tmux([win_path(self.src), win_path(self.dst)])
        screen = run.screen
        self.assertEqual(run.code, 1, screen.dump())
        self.assertEqual(screen.text(5), " VERIFY DATA ERROR! (COPY ERROR COUNT = 2)")
        for row in (6, 7):
            self.assertTrue(screen.text(row).startswith(" Z:\\"), screen.dump())
        self.assertEqual(screen.text(8), "")
        # Shift-JIS does not survive the pane; the printed bytes are checked
        # without a console, where the verdict line comes first.
        code, printed = run_plain([win_path(self.src), win_path(self.dst)])
        self.assertEqual(code, 1)
        lines = printed.splitlines(keepends=True)
        self.assertEqual(lines[0], b"VERIFY DATA ERROR! (COPY ERROR COUNT = 2)\r\n")
        expected = [sjis(" %s\r\n" % win_path(os.path.join(self.src, p)))
                    for p in ("2009\\a\\sector.bin", "readme.txt")]
        self.assertEqual(sorted(lines[1:]), sorted(expected))
        for name in TREE:
            if name not in ("readme.txt", "2009/a/sector.bin"):
                self.assertTrue(os.path.isfile(os.path.join(self.dst, name)), name)
        self.assert_source_unchanged()

    def test_row_nine_while_the_tree_copies(self):
        """Row 9 counts first, then shows how far the whole copy is: its share
        grows and never goes back; it is gone when the verdict shows."""
        root = scratch("tree-row-nine")
        src, dst = os.path.join(root, "src"), os.path.join(root, "dst")
        os.makedirs(src)
        for n in range(2):
            with open(os.path.join(src, "big%d.bin" % n), "wb") as f:
                f.truncate(300 << 20)  # sparse: it takes no room to make
        with open(os.path.join(src, "small.txt"), "wb") as f:
            f.write(b"small")
        self.keep_source(src)
        rows = []

        def watch(send, read_screen):
            for _ in range(2000):
                screen = read_screen()
                rows.append(screen.text(9))
                if screen.text(5).startswith(" VERIFY"):
                    return
                time.sleep(0.02)

        run = run_in_tmux([win_path(src), win_path(dst)], keys=watch, timeout=120)
        self.assertEqual(run.code, 0, run.screen.dump())
        self.assertEqual(run.screen.text(5), " VERIFY DATA SUCCESS! (REAL COPY COUNT = 3)")
        self.assertEqual(run.screen.text(9), "")
        total = re.compile(r"^ TOTAL (\d+\.\d\d) %  FILES (\d)/3  SIZE \S+/600MB(  LEFT \d+:\d\d:\d\d)?$")
        shares = [float(total.match(row).group(1)) for row in rows if total.match(row)]
        self.assertTrue(any(0 < share < 100 for share in shares), rows)
        self.assertEqual(shares, sorted(shares))
        self.assertTrue(all(not row or total.match(row) or row.startswith(" COUNTING...") for row in rows), rows)
        self.assert_source_unchanged()

    def test_header_rows_return_to_the_top_pair(self):
        root = scratch("tree-header")
        src = os.path.join(root, "src")
        deep = os.path.join(src, "a-rather-long-folder-name", "and-another-long-one", "deepest")
        os.makedirs(deep)
        with open(os.path.join(deep, "f.txt"), "w") as f:
            f.write("f")
        with open(os.path.join(src, "zz.txt"), "w") as f:
            f.write("z")
        dst = os.path.join(root, "dst")
        self.keep_source(src)
        run = run_in_tmux([win_path(src), win_path(dst)])
        self.assertEqual(run.code, 0)
        self.assert_source_unchanged()
        self.assertEqual(run.screen.text(2), " FROM FOLDER = " + win_path(src))
        self.assertEqual(run.screen.text(3), " TO   FOLDER = " + win_path(dst))
        self.assertEqual(run.screen.attrs(2, 2, 20), {10})
        self.assertEqual(run.screen.text(5), " VERIFY DATA SUCCESS! (REAL COPY COUNT = 2)")
        self.assertEqual(run.screen.text(4), "")

    def test_nested_pair_in_other_case_is_refused(self):
        src = win_path(self.src)
        to = src.upper() + "\\COPY"
        code, printed = run_plain([src, to])
        self.assertEqual(code, -1)
        self.assertEqual(printed, sjis("TO_FOLDER[%s] IS A SUBFOLDER OF THE FROM_FOLDER(%s).\r\n" % (to, src)))


if __name__ == "__main__":
    unittest.main()
