"""The program's folder in the user's "Path" value, in a prefix of its own."""
import os
import re
import shutil
import subprocess
import tempfile
import unittest

import harness
from harness import EXE, WINE, WINESERVER, WORK, run_plain, scratch, sjis, win_path

FOLDER = win_path(os.path.dirname(EXE))


def reg(*args):
    """Runs wine's reg with its output in a file (a pipe can hang): exit code, text."""
    with tempfile.TemporaryFile(dir=WORK) as out:
        done = subprocess.run([WINE, "reg"] + list(args), env=harness.wine_env(), stdin=subprocess.DEVNULL,
                              stdout=out, stderr=subprocess.STDOUT, timeout=60)
        out.seek(0)
        return done.returncode, out.read().decode("cp932", "replace")


def query_path():
    return reg("query", "HKCU\\Environment", "/v", "Path")


def stored_path():
    """The value exactly as stored, from an export (reg query shows only what
    code page 932 can): None when there is none, else its text."""
    target = os.path.join(WORK, "registration-export.reg")
    code, text = reg("export", "HKCU\\Environment", win_path(target), "/y")
    assert code == 0, text
    with open(target, "rb") as f:
        lines = re.sub(r"\\\r?\n\s*", "", f.read().decode("utf-16")).splitlines()
    found = [line for line in lines if line.startswith('"Path"=')]
    if not found:
        return None
    # Only an expandable string, hex(2) in UTF-16 with its NUL, is expected.
    assert found[0].startswith('"Path"=hex(2):'), found[0]
    data = bytes(int(b, 16) for b in found[0][len('"Path"=hex(2):'):].split(","))
    assert data.endswith(b"\0\0"), found[0]
    return data[:-2].decode("utf-16-le")


def seed(value):
    code, text = reg("add", "HKCU\\Environment", "/v", "Path", "/t", "REG_EXPAND_SZ", "/d", value, "/f")
    assert code == 0, text


class Registration(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        # A prefix of its own, so that no other scenario ever sees a Path: its
        # own registry files and server, the shared prefix's drive C.
        cls.prefix = os.path.join(WORK, "registration-prefix")
        shutil.rmtree(cls.prefix, ignore_errors=True)
        os.makedirs(cls.prefix)
        for name in ("system.reg", "user.reg", "userdef.reg", ".update-timestamp"):
            shutil.copy2(os.path.join(harness.PREFIX, name), cls.prefix)
        shutil.copytree(os.path.join(harness.PREFIX, "dosdevices"), os.path.join(cls.prefix, "dosdevices"),
                        symlinks=True)
        os.symlink(os.path.join(harness.PREFIX, "drive_c"), os.path.join(cls.prefix, "drive_c"))
        harness.PREFIX = cls.prefix
        cls.server = subprocess.Popen([WINESERVER, "-p"], env=harness.wine_env(), stdout=subprocess.DEVNULL,
                                      stderr=subprocess.DEVNULL)
        cls.fresh = stored_path()
        cls.root = scratch("registration")
        cls.src = os.path.join(cls.root, "src")
        os.makedirs(cls.src)

    @classmethod
    def tearDownClass(cls):
        subprocess.run([WINESERVER, "-k"], env=harness.wine_env(), stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)
        cls.server.wait(timeout=30)
        shutil.rmtree(cls.prefix, ignore_errors=True)

    def refused_run(self):
        missing = win_path(os.path.join(self.root, "none"))
        code, printed = run_plain([missing, win_path(self.root)])
        self.assertEqual(code, -1)
        self.assertEqual(printed, sjis("FROM_FOLDER[%s] DOES NOT EXIST.\r\n" % missing))

    def test_missing_value_is_not_created(self):
        self.assertIsNone(self.fresh)
        reg("delete", "HKCU\\Environment", "/v", "Path", "/f")
        self.refused_run()
        self.assertIsNone(stored_path())

    def test_folder_appended_once_as_expandable_text(self):
        typical = "%USERPROFILE%\\AppData\\Local\\Microsoft\\WindowsApps;C:\\Tools\\bin"
        seed(typical)
        code, printed = run_plain([win_path(self.src), win_path(os.path.join(self.root, "to"))])
        self.assertEqual((code, printed), (0, b"VERIFY DATA SUCCESS! (REAL COPY COUNT = 0)\r\n"))
        code, text = query_path()
        self.assertEqual(code, 0, text)
        self.assertIn("    Path    REG_EXPAND_SZ    %s;%s\r\n" % (typical, FOLDER), text)
        self.refused_run()
        self.assertEqual(stored_path(), "%s;%s" % (typical, FOLDER))

    def test_unchanged_when_listed_or_not_carried_over_whole(self):
        # Listed in other letter case; a ';' between quotes; characters that
        # code page 932 lacks or reads as look-alikes (the yen sign comes
        # back as a backslash, the accented letter without its accent).
        for value in ("C:\\A;%s" % FOLDER.lower(), 'C:\\A;"C:\\x;y";C:\\B',
                      "C:\\A;C:\\x\u00a5y;C:\\caf\u00e9;C:\\\ud55c\uad6d"):
            with self.subTest(value=value):
                seed(value)
                self.refused_run()
                self.assertEqual(stored_path(), value)


if __name__ == "__main__":
    unittest.main()
