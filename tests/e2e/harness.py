"""Runs the real vestro.exe under wine, inside tmux, and reads its screen.

Environment: VESTRO_EXE (the program), VESTRO_WINEPREFIX (a private prefix),
VESTRO_E2E_WORK (a scratch folder for the scenarios' trees).

A scenario may run the program under another glibc locale (locale=...):
wine takes the process's ANSI code page from LC_ALL at every start, so one
prefix and one kept-alive server serve every locale.
"""
import os
import re
import shlex
import shutil
import subprocess
import sys
import tempfile
import time
import uuid

EXE = os.environ.get("VESTRO_EXE", "")
PREFIX = os.environ.get("VESTRO_WINEPREFIX", "")
WORK = os.environ.get("VESTRO_E2E_WORK", tempfile.gettempdir())
WINE = shutil.which("wine") or "/usr/lib/wine/wine64"
WINESERVER = shutil.which("wineserver") or "/usr/lib/wine/wineserver"

# SGR foreground codes as tmux reports the console's attributes.
SGR_TO_ATTR = {"92": 10, "96": 11, "91": 12, "93": 14, "97": 15}

DEFAULT_LOCALE = "ja_JP.UTF-8"

# GetACP() of a process wine 8 starts under each locale. The console's code
# pages are the OEM one instead: 850 under fr_FR, 437 under C.UTF-8, the ANSI
# one under the others.
ANSI_CODE_PAGES = {
    "ja_JP.UTF-8": 932,
    "fr_FR.UTF-8": 1252,
    "zh_CN.UTF-8": 936,
    "ko_KR.UTF-8": 949,
    "zh_TW.UTF-8": 950,
    "C.UTF-8": 1252,
    "hi_IN.UTF-8": 65001,  # a locale with no ANSI code page of its own: UTF-8
}

_installed_locales = None


def _locale_key(name):
    language, _, charset = name.partition(".")
    return language + "." + charset.lower().replace("-", "")


def locale_installed(locale):
    """Whether glibc has the locale. Without it wine still takes the code page
    from the name, but reads every UTF-8 name and argument as 7-bit ASCII."""
    global _installed_locales
    if _installed_locales is None:
        listed = subprocess.run(["locale", "-a"], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL).stdout
        _installed_locales = {_locale_key(n) for n in listed.decode("ascii", "replace").split()}
    return _locale_key(locale) in _installed_locales


def wine_env(prefix=None, display=None, locale=None):
    locale = locale or DEFAULT_LOCALE
    if locale != DEFAULT_LOCALE and not locale_installed(locale):
        language, _, charset = locale.partition(".")
        raise RuntimeError("glibc locale %s is missing: localedef -i %s -f %s %s"
                           % (locale, language, charset or "UTF-8", locale))
    env = dict(os.environ)
    env.update(WINEPREFIX=prefix or PREFIX, WINEDEBUG="-all", LC_ALL=locale, LANG=locale)
    env.pop("DISPLAY", None)
    env.pop("WAYLAND_DISPLAY", None)
    if display:
        env["DISPLAY"] = display
    return env


def setup_prefix(prefix=None, display=None):
    """Creates the prefix once and keeps its server alive for fast starts.
    A prefix's desktop takes the display of the first process that opens it:
    every process of a prefix for the dialogs must have the same display."""
    prefix = prefix or PREFIX
    env = wine_env(prefix, display)
    os.makedirs(prefix, exist_ok=True)
    log = prefix + ".log"
    if not os.path.exists(os.path.join(prefix, "system.reg")):
        with open(log, "w") as out:
            subprocess.run([WINE, "wineboot", "-i"], env=env, stdout=out, stderr=out, timeout=300)
            # The server writes the registry files only when it ends: wait for
            # that, so that a scenario can copy a finished prefix.
            subprocess.run([WINESERVER, "-w"], env=env, stdout=out, stderr=out, timeout=120)
    with open(log, "a") as out:
        subprocess.Popen([WINESERVER, "-p"], env=env, stdout=out, stderr=out)
    # Let every later start find the server and a finished prefix.
    with open(log, "a") as out:
        subprocess.run([WINE, "cmd", "/c", "exit"], env=env, stdout=out, stderr=out, timeout=120)


def stop_prefix(prefix=None):
    subprocess.run([WINESERVER, "-k"], env=wine_env(prefix), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def win_path(linux_path):
    """The wine path (drive Z:) of a Linux path."""
    return "Z:" + os.path.abspath(linux_path).replace("/", "\\")


def scratch(name):
    """A fresh empty folder for one scenario."""
    path = os.path.join(WORK, name)
    shutil.rmtree(path, ignore_errors=True)
    os.makedirs(path)
    return path


def exit_code(value):
    """Exit code as the program returned it (wine hands back its low byte)."""
    return value - 256 if value > 127 else value


class Screen:
    """The painted rows of a tmux pane: text and attribute of every cell."""

    def __init__(self, raw):
        self.cells = []
        for line in raw.split("\n"):
            row = []
            colour = 7
            for token in re.split(r"(\x1b\[[0-9;]*m)", line):
                if token.startswith("\x1b["):
                    for code in token[2:-1].split(";") or ["0"]:
                        if code in ("", "0", "39"):
                            colour = 7
                        elif code in SGR_TO_ATTR:
                            colour = SGR_TO_ATTR[code]
                    continue
                for ch in token:
                    row.append((ch, colour))
            self.cells.append(row)

    def text(self, row):
        """Row (1-based) as text, trailing blanks removed."""
        if row > len(self.cells):
            return ""
        return "".join(ch for ch, _ in self.cells[row - 1]).rstrip()

    def attr(self, row, column):
        """Attribute of the 1-based cell; 7 for the default grey."""
        cells = self.cells[row - 1] if row <= len(self.cells) else []
        return cells[column - 1][1] if column <= len(cells) else 7

    def attrs(self, row, column, count):
        return {self.attr(row, column + k) for k in range(count)}

    def dump(self):
        return "\n".join("%2d|%s" % (n + 1, self.text(n + 1)) for n in range(len(self.cells)))


class Run:
    def __init__(self, code, screen, seconds):
        self.code = code
        self.screen = screen
        self.seconds = seconds


def run_in_tmux(args, cwd=None, width=100, height=30, before="", keys=None, timeout=120, display=None,
                prefix=None, locale=None):
    """Runs vestro.exe with args in a fresh tmux pane and returns its exit code
    and final screen. before: shell text run first (to put something on the
    screen); keys: a function called with a send(text) helper once the
    program is up; display: an X display for the dialogs (none by default);
    prefix: another wine prefix than the scenarios' own; locale: the glibc
    locale the program runs under (ja_JP.UTF-8 by default)."""
    socket = "vestro-e2e-%d" % os.getpid()
    session = "s" + uuid.uuid4().hex[:8]
    state = tempfile.mkdtemp(prefix="vestro-run-", dir=WORK)
    rc_file = os.path.join(state, "rc")
    env = " ".join("%s=%s" % (k, shlex.quote(v)) for k, v in wine_env(prefix, locale=locale).items()
                   if k in ("WINEPREFIX", "WINEDEBUG", "LC_ALL", "LANG"))
    x_display = "DISPLAY=" + shlex.quote(display) if display else "-u DISPLAY"
    time_file = os.path.join(state, "ns")
    # The run is timed inside the pane, from wine's start to its end, so that
    # starting tmux and polling for the end are not counted.
    command = ("cd %s; %s t0=$(date +%%s%%N); env %s %s %s %s %s; rc=$?; "
               "echo $(($(date +%%s%%N) - t0)) > %s; echo $rc > %s; exec sleep 600") % (
        shlex.quote(cwd or WORK), before, x_display, env, shlex.quote(WINE), shlex.quote(EXE),
        " ".join(shlex.quote(a) for a in args), shlex.quote(time_file), shlex.quote(rc_file))
    tmux = ["tmux", "-L", socket]
    subprocess.run(tmux + ["new-session", "-d", "-s", session, "-x", str(width), "-y", str(height),
                           "sh", "-c", command], check=True, env=dict(os.environ, LC_ALL="ja_JP.UTF-8"))
    started = time.time()
    try:
        if keys:
            keys(lambda text, literal=True: subprocess.run(
                tmux + ["send-keys", "-t", session] + (["-l"] if literal else []) + [text], check=True),
                lambda: capture(tmux, session))
        while not os.path.exists(rc_file) or os.path.getsize(rc_file) == 0:
            if time.time() - started > timeout:
                raise AssertionError("vestro.exe did not end in %d s:\n%s" % (
                    timeout, capture(tmux, session).dump()))
            time.sleep(0.05)
        time.sleep(0.1)
        screen = capture(tmux, session)
        with open(rc_file) as f:
            code = exit_code(int(f.read().strip()))
        with open(time_file) as f:
            seconds = int(f.read().strip()) / 1e9
        return Run(code, screen, seconds)
    finally:
        subprocess.run(tmux + ["kill-session", "-t", session], stderr=subprocess.DEVNULL)
        shutil.rmtree(state, ignore_errors=True)


def capture(tmux, session):
    out = subprocess.run(tmux + ["capture-pane", "-p", "-e", "-t", session], stdout=subprocess.PIPE,
                         check=True).stdout
    return Screen(out.decode("utf-8", "replace"))


def wait_for(read_screen, predicate, timeout=30):
    """Polls the screen until predicate(screen) holds."""
    started = time.time()
    while time.time() - started < timeout:
        screen = read_screen()
        if predicate(screen):
            return screen
        time.sleep(0.1)
    raise AssertionError("screen never matched:\n" + read_screen().dump())


def run_plain(args, cwd=None, timeout=120, locale=None):
    """Runs vestro.exe with standard output in a file (no console): returns
    the exit code and the printed bytes (in the ANSI code page of the locale,
    932 by default)."""
    with tempfile.TemporaryFile(dir=WORK) as out:
        done = subprocess.run([WINE, EXE] + list(args), cwd=cwd or WORK, env=wine_env(locale=locale),
                              stdin=subprocess.DEVNULL, stdout=out, stderr=subprocess.DEVNULL, timeout=timeout)
        out.seek(0)
        return exit_code(done.returncode), out.read()


def sjis(text):
    return text.encode("cp932")


# Python's codecs agree with wine's tables on the names the scenarios use;
# they differ on some rarer characters (cp932's IBM extensions, cp950's kana).
CODECS = {932: "cp932", 1252: "cp1252", 936: "gbk", 949: "cp949", 950: "cp950", 65001: "utf-8"}


def ansi_code_page(locale=None):
    return ANSI_CODE_PAGES[locale or DEFAULT_LOCALE]


def ansi(text, locale=None):
    """Text as the program holds it under the locale (its ANSI code page)."""
    return text.encode(CODECS[ansi_code_page(locale)])


if __name__ == "__main__":
    if sys.argv[1:] == ["setup"]:
        os.makedirs(WORK, exist_ok=True)
        setup_prefix()
    elif sys.argv[1:] == ["stop"]:
        stop_prefix()
    else:
        sys.exit("usage: harness.py setup|stop")
