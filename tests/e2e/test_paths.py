"""Command-line paths: normalisation, folder creation and every refusal."""
import os
import unittest

from harness import run_in_tmux, run_plain, scratch, sjis, win_path


class PathChecks(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.root = scratch("paths")
        cls.src = os.path.join(cls.root, "src")
        os.makedirs(os.path.join(cls.src, "sub"))
        with open(os.path.join(cls.src, "a.txt"), "w") as f:
            f.write("a")
        os.symlink("loopb", os.path.join(cls.root, "loopa"))
        os.symlink("loopa", os.path.join(cls.root, "loopb"))

    def refusal(self, args, expected):
        code, printed = run_plain(args)
        self.assertEqual(code, -1)
        self.assertEqual(printed, expected)

    def test_missing_from_creates_nothing(self):
        src = win_path(self.src + "/none")
        to = os.path.join(self.root, "never")
        self.refusal([src, win_path(to)], sjis("FROM_FOLDER[%s] DOES NOT EXIST.\r\n" % src))
        self.assertFalse(os.path.exists(to))

    def test_unreadable_from_and_to(self):
        loop = win_path(os.path.join(self.root, "loopa"))
        self.refusal([loop, win_path(self.root)], sjis("FROM_FOLDER[%s] CANNOT BE ACCESSED.\r\n" % loop))
        self.refusal([win_path(self.src), loop], sjis("TO_FOLDER[%s] CANNOT BE ACCESSED.\r\n" % loop))

    def test_missing_to_drive(self):
        self.refusal([win_path(self.src), "Q:\\backup"], sjis("TO_FOLDER[Q:\\backup] DOES NOT EXIST.\r\n"))

    def test_to_that_is_a_file(self):
        to = win_path(os.path.join(self.src, "a.txt"))
        self.refusal([win_path(self.src), to], sjis("TO_FOLDER[%s] IS NOT FOLDER.\r\n" % to))

    def test_same_folder_in_other_case(self):
        src = win_path(self.src)
        self.refusal([src, src.upper()], sjis("FROM and TO VALUES[%s] ARE THE SAME.\r\n" % src))

    def test_nested_pairs_and_created_folders_stay(self):
        src = win_path(self.src)
        deep = src + "\\new\\deeper\\"
        self.refusal([src, deep], sjis("TO_FOLDER[%s] IS A SUBFOLDER OF THE FROM_FOLDER(%s).\r\n"
                                       % (deep[:-1], src)))
        self.assertTrue(os.path.isdir(os.path.join(self.src, "new", "deeper")))
        other_case = src.upper() + "\\COPY"
        self.refusal([src, other_case], sjis("TO_FOLDER[%s] IS A SUBFOLDER OF THE FROM_FOLDER(%s).\r\n"
                                             % (other_case, src)))
        sub = src + "\\sub"
        self.refusal([sub, src], sjis("FROM_FOLDER[%s] IS A SUBFOLDER OF THE TO_FOLDER(%s).\r\n" % (sub, src)))
        # A sibling whose name goes on is no sub-folder: src2 gets the copy.
        code, printed = run_plain([src, src + "2"])
        self.assertEqual((code, printed), (0, b"VERIFY DATA SUCCESS! (REAL COPY COUNT = 1)\r\n"))
        self.assertTrue(os.path.isfile(os.path.join(self.root, "src2", "a.txt")))

    def test_too_long_arguments(self):
        longer = win_path(self.root) + "\\" + "x" * 520
        self.refusal([win_path(self.src), longer], sjis("TO_FOLDER[%s] IS TOO LONG.\r\n" % longer))
        self.assertFalse(os.path.exists(os.path.join(self.root, "x" * 100)))
        self.refusal([longer, win_path(self.root)], sjis("FROM_FOLDER[%s] IS TOO LONG.\r\n" % longer))


class ShiftJisAndAcceptedPairs(unittest.TestCase):
    def test_from_ending_in_second_byte_5c_is_whole(self):
        root = scratch("sjis-paths")
        # 表 is 0x95 0x5C in code page 932.
        src = os.path.join(root, "写真表")
        os.makedirs(src)
        to = os.path.join(root, "出力")
        code, printed = run_plain([win_path(src), win_path(to)])
        self.assertEqual(printed, b"VERIFY DATA SUCCESS! (REAL COPY COUNT = 0)\r\n")
        self.assertEqual(code, 0)
        self.assertTrue(os.path.isdir(to))
        missing = win_path(os.path.join(root, "無い表"))
        self.assertEqual(sjis(missing)[-2:], b"\x95\x5c")
        code, printed = run_plain([missing, win_path(to)])
        self.assertEqual(code, -1)
        self.assertEqual(printed, sjis("FROM_FOLDER[%s] DOES NOT EXIST.\r\n" % missing))

    def test_accepted_pair_clears_the_screen(self):
        root = scratch("accepted")
        src = os.path.join(root, "src")
        os.makedirs(src)
        run = run_in_tmux([win_path(src), win_path(os.path.join(root, "a", "b", "c"))],
                          before="echo LEFT-BEFORE-THE-RUN;")
        self.assertEqual(run.code, 0)
        self.assertNotIn("LEFT-BEFORE-THE-RUN", run.screen.dump())
        self.assertTrue(os.path.isdir(os.path.join(root, "a", "b", "c")))

    def test_refusal_leaves_the_screen_and_prints_one_line(self):
        root = scratch("refused-screen")
        missing = win_path(os.path.join(root, "none"))
        run = run_in_tmux([missing, win_path(root)], before="echo LEFT-BEFORE-THE-RUN;")
        self.assertEqual(run.code, -1)
        self.assertEqual(run.screen.text(1), "LEFT-BEFORE-THE-RUN")
        self.assertEqual(run.screen.text(2), "FROM_FOLDER[%s] DOES NOT EXIST." % missing)


if __name__ == "__main__":
    unittest.main()
