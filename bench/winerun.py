"""Wine commands for the bench: one command in a fresh tmux pane, timed
inside the pane from wine's start to its end as the end-to-end harness times
vestro.exe, optionally under GNU time (peak resident set) or with wine's
debug output in a file; and the state of the prefix's desktop.

A process that loads user32 needs the prefix's desktop, explorer.exe
/desktop. Wine starts it on demand and ends it once it has no clients (the
one a run starts ends with that run), so whether a run pays for starting it
(a tenth of a second or more here) depends on what ran just before.
DesktopHold keeps one up for the whole bench, as a Windows session always
has it; wait_desktop_gone() makes sure that a run starts its own."""
import os
import shlex
import shutil
import subprocess
import tempfile
import time
import uuid

import harness

GNU_TIME = "/usr/bin/time"
WINE_VARIABLES = ("WINEPREFIX", "WINEDEBUG", "LC_ALL", "LANG")


class PaneRun:
    def __init__(self, code, screen, seconds, peak_kib=None, watched=None):
        self.code = code
        self.screen = screen
        self.seconds = seconds
        self.peak_kib = peak_kib  # from GNU time: the largest of the waited processes
        self.watched = watched    # from /proc while it ran: {pid: (VmHWM KiB, parent's command, command)}


def run(program, args, debug="-all", debug_file=None, peak=False, watch=None, cwd=None, width=100, height=30,
        timeout=3600):
    """Runs `wine program args` in a pane. debug: WINEDEBUG; debug_file: where
    wine's standard error goes; peak: wrap the command in GNU time; watch:
    how the command line of the process to look for under /proc while it
    runs starts (wine puts the program's path there); the process must be a
    child of the pane's shell or of GNU time, never someone else's run."""
    work = harness.WORK
    socket = "vestro-bench-%d" % os.getpid()
    session = "s" + uuid.uuid4().hex[:8]
    state = tempfile.mkdtemp(prefix="vestro-pane-", dir=work)
    rc_file = os.path.join(state, "rc")
    time_file = os.path.join(state, "ns")
    peak_file = os.path.join(state, "peak")
    env = dict(harness.wine_env(), WINEDEBUG=debug)
    variables = " ".join("%s=%s" % (k, shlex.quote(env[k])) for k in WINE_VARIABLES)
    wrap = "%s -f %%M -o %s " % (GNU_TIME, shlex.quote(peak_file)) if peak else ""
    errors = " 2> %s" % shlex.quote(debug_file) if debug_file else ""
    command = ("cd %s; t0=$(date +%%s%%N); %senv -u DISPLAY %s %s %s %s%s; rc=$?; "
               "echo $(($(date +%%s%%N) - t0)) > %s; echo $rc > %s; exec sleep 600") % (
        shlex.quote(cwd or work), wrap, variables, shlex.quote(harness.WINE), shlex.quote(program),
        " ".join(shlex.quote(a) for a in args), errors, shlex.quote(time_file), shlex.quote(rc_file))
    tmux = ["tmux", "-L", socket]
    subprocess.run(tmux + ["new-session", "-d", "-s", session, "-x", str(width), "-y", str(height),
                           "sh", "-c", command], check=True, env=dict(os.environ, LC_ALL="ja_JP.UTF-8"))
    started = time.time()
    watched = {}
    shell = None
    polls = 0
    try:
        if watch:
            shell = int(subprocess.run(tmux + ["display-message", "-p", "-t", session, "#{pane_pid}"],
                                       stdout=subprocess.PIPE, check=True).stdout)
        while not os.path.exists(rc_file) or os.path.getsize(rc_file) == 0:
            if time.time() - started > timeout:
                raise SystemExit("%s did not end in %d s:\n%s" % (
                    program, timeout, harness.capture(tmux, session).dump()))
            if watch:
                # A whole scan of /proc until the process is found and now
                # and then after, the processes found in between.
                polls += 1
                _look(shell, watch, watched, list(watched) if watched and polls % 25 else None)
                time.sleep(0.002)
            else:
                time.sleep(0.02)
        time.sleep(0.1)
        screen = harness.capture(tmux, session)
        with open(rc_file) as f:
            code = harness.exit_code(int(f.read().strip()))
        with open(time_file) as f:
            seconds = int(f.read().strip()) / 1e9
        peak_kib = None
        if peak:
            with open(peak_file) as f:
                peak_kib = int(f.read().split()[-1])
        return PaneRun(code, screen, seconds, peak_kib, watched)
    finally:
        subprocess.run(tmux + ["kill-session", "-t", session], stderr=subprocess.DEVNULL)
        shutil.rmtree(state, ignore_errors=True)


def _read(path):
    try:
        with open(path, "rb") as f:
            return f.read()
    except OSError:
        return b""


def _look(shell, text, watched, pids=None):
    """Records VmHWM of every process (of pids, or of all) whose command line
    starts with text and whose parent is the pane's shell or a child of it
    (GNU time)."""
    for name in (str(pid) for pid in pids) if pids is not None else os.listdir("/proc"):
        if not name.isdigit():
            continue
        command = _read("/proc/%s/cmdline" % name).replace(b"\0", b" ").decode("utf-8", "replace")
        if not command.startswith(text):
            continue
        status = _read("/proc/%s/status" % name).decode("utf-8", "replace")
        fields = dict(line.split(":", 1) for line in status.splitlines() if ":" in line)
        parent = fields.get("PPid", "").strip()
        grandparent = ""
        for line in _read("/proc/%s/status" % parent).decode("utf-8", "replace").splitlines():
            if line.startswith("PPid:"):
                grandparent = line.split(":", 1)[1].strip()
        if str(shell) not in (parent, grandparent) or "VmHWM" not in fields:
            continue
        parent_command = _read("/proc/%s/cmdline" % parent).replace(b"\0", b" ").decode("utf-8", "replace")
        watched[int(name)] = (int(fields["VmHWM"].split()[0]), parent_command.strip(), command.strip())


HOLDER_SOURCE = r"""#include <windows.h>
int WINAPI WinMain(HINSTANCE a, HINSTANCE b, LPSTR c, int d) { GetDesktopWindow(); Sleep(INFINITE); return 0; }
"""


def desktops():
    """The pids of the desktop processes of this bench's prefix."""
    wanted = ("WINEPREFIX=%s" % harness.PREFIX).encode()
    found = []
    for name in os.listdir("/proc"):
        if not name.isdigit():
            continue
        if b"explorer.exe" not in _read("/proc/%s/cmdline" % name):
            continue
        if wanted in _read("/proc/%s/environ" % name).split(b"\0"):
            found.append(int(name))
    return found


def wait_desktop_gone(timeout=15):
    started = time.time()
    while desktops() and time.time() - started < timeout:
        time.sleep(0.02)


class DesktopHold:
    """A windowless program of the prefix that stays up, and with it the desktop."""

    def __init__(self):
        self.process = None

    def start(self):
        work = harness.WORK
        source = os.path.join(work, "hold_desktop.c")
        program = os.path.join(work, "hold_desktop.exe")
        with open(source, "w") as f:
            f.write(HOLDER_SOURCE)
        subprocess.run(["x86_64-w64-mingw32-gcc", "-O2", "-mwindows", "-o", program, source], check=True)
        with open(os.path.join(work, "hold_desktop.log"), "w") as log:
            self.process = subprocess.Popen([harness.WINE, program], env=harness.wine_env(), stdin=subprocess.DEVNULL,
                                            stdout=log, stderr=log)
        started = time.time()
        while not desktops():
            if time.time() - started > 30 or self.process.poll() is not None:
                raise SystemExit("the desktop of %s did not come up" % harness.PREFIX)
            time.sleep(0.05)

    def stop(self):
        if self.process and self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        self.process = None
