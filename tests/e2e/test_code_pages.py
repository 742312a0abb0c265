"""The program under the ANSI code pages of Western (1252), Simplified and
Traditional Chinese (936, 950), Korean (949) and Japanese (932) systems, and
under UTF-8 (65001): names whose last byte 932 would take for a lead byte, or
whose second byte is a backslash, are copied whole, verified and refused as
before."""
import os
import unittest

from harness import ansi, locale_installed, run_in_tmux, run_plain, scratch, win_path
from test_start_menu import USAGE, menu_run
from tree_state import SourceKept, files_below

# Per locale: a folder name, a file name, another file name; each ends in a
# byte of 0x81-0x9F or 0xE0-0xFC, or in a second byte 0x5C, in its code page.
NAMES = {
    "fr_FR.UTF-8": ("Café", "résumé", "Noël à Paris"),
    "zh_CN.UTF-8": ("照片", "表", "ソフト"),
    "ko_KR.UTF-8": ("사진", "폴더", "표"),
    "zh_TW.UTF-8": ("功", "表", "照片"),
    "ja_JP.UTF-8": ("ソフト", "表", "能"),
    "hi_IN.UTF-8": ("Café", "表", "사진"),  # no ANSI code page of its own: UTF-8
}


class CodePages(SourceKept, unittest.TestCase):
    def in_each_locale(self, check):
        for locale, names in NAMES.items():
            with self.subTest(locale=locale):
                self.assertTrue(locale_installed(locale), "glibc locale %s is missing" % locale)
                check(locale, *names)

    def test_tree_copied_whole_and_verified(self):
        def check(locale, folder, file, other):
            root = scratch("code-page-tree")
            src, dst = os.path.join(root, folder), os.path.join(root, "copy " + folder)
            for path, size in ((os.path.join(src, file), 3000), (os.path.join(src, folder, other), 5000),
                               (os.path.join(src, other, file), 0)):
                os.makedirs(os.path.dirname(path), exist_ok=True)
                with open(path, "wb") as f:
                    f.write(os.urandom(size))
            self.keep_source(src)
            run = run_in_tmux([win_path(src), win_path(dst)], locale=locale)
            self.assertEqual(run.code, 0, run.screen.dump())
            self.assertEqual(run.screen.text(5), " VERIFY DATA SUCCESS! (REAL COPY COUNT = 3)", run.screen.dump())
            self.assertEqual(files_below(dst), files_below(src))
            self.assert_source_unchanged()
        self.in_each_locale(check)

    def test_file_mode_copies_under_its_own_name(self):
        def check(locale, folder, file, _):
            root = scratch("code-page-file")
            source = os.path.join(root, folder, file)
            os.makedirs(os.path.dirname(source))
            with open(source, "wb") as f:
                f.write(os.urandom(777))
            dst = os.path.join(root, "dst")
            run = run_in_tmux([win_path(source), win_path(dst)], locale=locale)
            self.assertEqual(run.code, 0, run.screen.dump())
            self.assertEqual(run.screen.text(7), " 100.00 %", run.screen.dump())
            self.assertEqual(files_below(dst), {file: files_below(os.path.dirname(source))[file]})
            if locale == "fr_FR.UTF-8":
                # One byte a character: the console shows the names as they are.
                self.assertEqual(run.screen.text(5), " FILENAME = " + file)
                self.assertEqual(run.screen.text(2), " FROM FOLDER = " + win_path(source))
        self.in_each_locale(check)

    def test_same_nesting_refused(self):
        def check(locale, folder, _, __):
            root = scratch("code-page-nesting")
            src = win_path(os.path.join(root, folder))
            os.makedirs(os.path.join(root, folder))
            code, printed = run_plain([src + "\\", src + "\\sub"], locale=locale)
            self.assertEqual(code, -1)
            self.assertEqual(printed, ansi("TO_FOLDER[%s\\sub] IS A SUBFOLDER OF THE FROM_FOLDER(%s).\r\n"
                                           % (src, src), locale))
            code, printed = run_plain([src + "\\sub", src], locale=locale)
            self.assertEqual(code, -1)
            self.assertEqual(printed, ansi("FROM_FOLDER[%s\\sub] IS A SUBFOLDER OF THE TO_FOLDER(%s).\r\n"
                                           % (src, src), locale))
        self.in_each_locale(check)

    def test_mismatches_listed_in_the_code_page(self):
        """Under 1252 (console 850) and UTF-8 a listed path is the ANSI bytes
        when printed to a file, and the characters themselves on the console."""
        for locale in ("fr_FR.UTF-8", "hi_IN.UTF-8"):
            with self.subTest(locale=locale):
                root = scratch("code-page-list")
                src, dst = os.path.join(root, "Café"), os.path.join(root, "dst")
                os.makedirs(os.path.join(src))
                with open(os.path.join(src, "Noël à Paris"), "wb") as f:
                    f.write(b"x")
                os.makedirs(os.path.join(dst, "Noël à Paris"))  # a folder where the copy should go
                code, printed = run_plain([win_path(src), win_path(dst)], locale=locale)
                self.assertEqual(code, 1)
                self.assertEqual(printed, ansi("VERIFY DATA ERROR! (COPY ERROR COUNT = 1)\r\n %s\\Noël à Paris\r\n"
                                               % win_path(src), locale))
                run = run_in_tmux([win_path(src), win_path(dst)], locale=locale)
                self.assertEqual(run.screen.text(6), " %s\\Noël à Paris" % win_path(src), run.screen.dump())

    def test_header_and_refusal_read_right_on_the_console(self):
        """Where the console is given characters (1252 against 850, and UTF-8,
        which the console cannot take a byte at a time), the folder rows show
        the names as they are, with nothing left of the longer folder inside;
        a refusal printed on the console reads right too."""
        for locale in ("fr_FR.UTF-8", "hi_IN.UTF-8"):
            with self.subTest(locale=locale):
                root = scratch("code-page-header")
                src, dst = os.path.join(root, "src", "Café"), os.path.join(root, "dst", "Café")
                os.makedirs(os.path.join(src, "Café"))
                with open(os.path.join(src, "Café", "résumé"), "wb") as f:
                    f.write(os.urandom(100))
                run = run_in_tmux([win_path(src), win_path(dst)], locale=locale)
                self.assertEqual(run.code, 0, run.screen.dump())
                self.assertEqual(run.screen.text(2), " FROM FOLDER = " + win_path(src), run.screen.dump())
                self.assertEqual(run.screen.text(3), " TO   FOLDER = " + win_path(dst), run.screen.dump())
                self.assertEqual(files_below(dst), files_below(src))
                run = run_in_tmux([win_path(src) + "\\", win_path(src) + "\\sub"], locale=locale, width=200)
                self.assertEqual(run.code, -1)
                self.assertEqual(run.screen.text(1), "TO_FOLDER[%s\\sub] IS A SUBFOLDER OF THE FROM_FOLDER(%s)."
                                 % (win_path(src), win_path(src)), run.screen.dump())


    def test_an_accented_letter_typed_at_the_menu(self):
        """The console hands é over in its own code page (850 under fr_FR):
        it is taken as the ANSI code page's é, typed and echoed like a
        letter (and, being no menu key, ends the run)."""
        _, run = menu_run([], "é", locale="fr_FR.UTF-8", timeout=30)
        self.assertEqual(run.code, -1)
        self.assertEqual([run.screen.text(row) for row in range(1, 10)], USAGE[:8] + ["->é"], run.screen.dump())


if __name__ == "__main__":
    unittest.main()
