"""The usage screen, the one-key menu and the shell's pickers."""
import os
import shutil
import subprocess
import time
import unittest
import uuid

from harness import PREFIX, run_in_tmux, setup_prefix, stop_prefix, wait_for
from tree_state import SourceKept

USAGE = [
    "Usage  : VESTRO (FROM_FOLDER or FILE) TO_FOLDER",
    "",
    "Ex.      VESTRO  C:\\PICTURE  X:\\PICTURE",
    "         VESTRO  C:\\PICTURE\\SASMPLE.jpg  X:\\PICTURE",
    "",
    "SELECT INPUT FOLDER? (D)",
    "SELECR INPUT FILE?   (F)",
    "END(Enter)",
    "->",
]


def menu_shown(screen):
    return screen.text(1) == USAGE[0] and screen.text(9) == "->"


def menu_run(args, key, literal=True, **options):
    """Runs with args, waits for the prompt, types key; returns the screen
    seen at the prompt and the run."""
    seen = {}

    def keys(send, read_screen):
        seen["menu"] = wait_for(read_screen, menu_shown)
        send(key, literal)

    run = run_in_tmux(args, keys=keys, **options)
    return seen["menu"], run


class MenuWithoutDisplay(unittest.TestCase):
    def assertMenuThenNothing(self, screen, row9):
        self.assertEqual([screen.text(row) for row in range(1, 10)], USAGE[:8] + [row9], screen.dump())
        self.assertEqual([screen.text(row) for row in range(10, 31)], [""] * 21, screen.dump())

    def test_usage_screen_then_enter_ends(self):
        menu, run = menu_run([], "Enter", literal=False, before="echo LEFT-BEFORE-THE-RUN;")
        self.assertMenuThenNothing(menu, "->")
        self.assertEqual(run.code, -1)
        self.assertMenuThenNothing(run.screen, "->")

    def test_one_other_key_ends_without_enter(self):
        _, run = menu_run([], "x")
        self.assertEqual(run.code, -1)
        self.assertMenuThenNothing(run.screen, "->x")

    def test_one_or_three_arguments_open_the_menu(self):
        for args in (["Z:\\tmp"], ["Z:\\tmp", "Z:\\tmp\\a", "Z:\\tmp\\b"]):
            _, run = menu_run(args, "%")
            self.assertEqual(run.code, -1, args)
            self.assertMenuThenNothing(run.screen, "->%")

    def test_pickers_fail_at_once_without_a_display(self):
        for key in "dF":
            _, run = menu_run([], key)
            self.assertEqual(run.code, -1, key)
            self.assertMenuThenNothing(run.screen, "->" + key)
            self.assertLess(run.seconds, 20, key)


XVFB = shutil.which("Xvfb")
XDOTOOL = shutil.which("xdotool")


def start_xvfb():
    """An Xvfb on the first free display from :87; returns (process, display)."""
    for number in range(87, 100):
        if os.path.exists("/tmp/.X%d-lock" % number):
            continue
        ready, tell = os.pipe()
        server = subprocess.Popen([XVFB, ":%d" % number, "-displayfd", str(tell), "-noreset", "-nolisten", "tcp",
                                   "-screen", "0", "1024x768x24"], pass_fds=(tell,),
                                  stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(tell)
        # The server gives up when the pipe closes before its whole line is out.
        answer = b""
        while not answer.endswith(b"\n"):
            more = os.read(ready, 16)
            if not more:
                break
            answer += more
        os.close(ready)
        if answer.strip():
            return server, ":" + answer.decode().strip()
        server.wait(10)
    raise unittest.SkipTest("no free X display")


class Desktop:
    """Keys and windows on the X display through xdotool."""

    def __init__(self, display):
        self.env = dict(os.environ, DISPLAY=display)
        self.known = set(self.xdo("search", "--onlyvisible", "--name", ".").split())
        self.waits = 0
        self.read_screen = None

    def xdo(self, *args):
        return subprocess.run([XDOTOOL] + list(args), env=self.env, stdout=subprocess.PIPE,
                              stderr=subprocess.DEVNULL, text=True).stdout

    def wait_dialog(self, timeout=60):
        """Focuses the next dialog that shows up."""
        started = time.time()
        self.waits += 1
        while time.time() - started < timeout:
            shown = set(self.xdo("search", "--onlyvisible", "--name", ".").split()) - self.known
            if shown:
                window = shown.pop()
                self.known.add(window)
                time.sleep(1.5)  # let the dialog fill its tree, slower on a busy machine
                self.xdo("windowfocus", "--sync", window)
                return
            time.sleep(0.2)
        raise AssertionError("dialog %d did not show up:\n%s" % (self.waits, self.read_screen().dump()))

    def key(self, *keys, pause=0.3):
        for key in keys:
            self.xdo("key", key)
            time.sleep(pause)

    def type(self, text):
        self.xdo("type", "--delay", "20", text)
        # The tree's type-ahead takes later letters as a new search after 450 ms.
        time.sleep(0.5)

    def pick_folder(self, linux_path):
        """Walks the folder picker's tree from "/" down to linux_path and
        presses OK."""
        self.wait_dialog()
        self.key("Down")  # the desktop's first item: the file system's root
        for part in linux_path.strip("/").split("/"):
            self.key("Right", pause=0.5)  # expand
            self.key("Right", pause=0.3)  # its first child
            self.type(part)
        self.key("Return")

    def pick_file(self, windows_path):
        self.wait_dialog()
        self.type(windows_path)
        self.key("Return")


def stop_xvfb(server):
    server.terminate()
    server.wait(10)


@unittest.skipUnless(XVFB and XDOTOOL, "needs Xvfb and xdotool")
class PickersOnAnXDisplay(SourceKept, unittest.TestCase):
    # A prefix of its own: wine binds a prefix's desktop to the display of
    # the process that opened it first, and the other scenarios run without
    # one, maybe at the same time.
    prefix = PREFIX + "-x"

    @classmethod
    def setUpClass(cls):
        server, cls.display = start_xvfb()
        cls.addClassCleanup(stop_xvfb, server)
        setup_prefix(cls.prefix, cls.display)
        cls.addClassCleanup(stop_prefix, cls.prefix)
        # Short names keep the tree walk and the refusal line short.
        cls.root = "/tmp/vp" + uuid.uuid4().hex[:6]
        cls.addClassCleanup(shutil.rmtree, cls.root, ignore_errors=True)
        os.makedirs(os.path.join(cls.root, "source", "inner"))
        os.makedirs(os.path.join(cls.root, "target"))
        with open(os.path.join(cls.root, "source", "inner", "a.txt"), "w") as f:
            f.write("a")

    def run_with_dialogs(self, key, pick):
        desktop = Desktop(self.display)

        def keys(send, read_screen):
            desktop.read_screen = read_screen
            wait_for(read_screen, menu_shown)
            send(key)
            pick(desktop)

        return run_in_tmux([], keys=keys, display=self.display, prefix=self.prefix, width=160)

    def test_picked_folder_pair_is_copied(self):
        def pick(desktop):
            desktop.pick_folder(self.root + "/source")
            desktop.pick_folder(self.root + "/target")

        self.keep_source(os.path.join(self.root, "source"))
        run = self.run_with_dialogs("d", pick)
        self.assertEqual(run.code, 0, run.screen.dump())
        self.assert_source_unchanged()
        self.assertNotIn("SELECT INPUT FOLDER", run.screen.dump())
        self.assertEqual(run.screen.text(5), " VERIFY DATA SUCCESS! (REAL COPY COUNT = 1)", run.screen.dump())
        with open(os.path.join(self.root, "target", "inner", "a.txt")) as f:
            self.assertEqual(f.read(), "a")

    def test_picked_file_and_folder_arrive_as_picked(self):
        win_root = "Z:" + self.root.replace("/", "\\")

        def pick(desktop):
            desktop.pick_file(win_root + "\\source\\inner\\a.txt")
            desktop.pick_folder(self.root + "/source")

        run = self.run_with_dialogs("f", pick)
        self.assertEqual(run.code, -1)
        # The file dialog has wine report on standard error that it cannot
        # read Z:'s volume label; the refusal line follows that report.
        refusal = "FROM_FOLDER[%s\\source\\inner\\a.txt] IS A SUBFOLDER OF THE TO_FOLDER(%s\\source)." % (
            win_root, win_root)
        self.assertTrue(run.screen.text(9).startswith("->f"), run.screen.dump())
        self.assertIn(refusal, [run.screen.text(row) for row in (9, 10, 11)], run.screen.dump())


if __name__ == "__main__":
    unittest.main()
