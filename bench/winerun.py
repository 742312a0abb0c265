"""Wine commands for the bench: one command in a fresh tmux pane, timed
inside the pane from wine's start to its end as the end-to-end harness times
vestro.exe, optionally under GNU time (peak resident set) or with wine's
debug output in a file; and the state of the prefix's desktop.

Every run also counts its CPU seconds: those of wine's process and of every
process it started (conhost.exe ...), which cpu_run.py collects, and the
share of the processes of the prefix that stand through the run (the
wineserver, the desktop, services.exe ...), read from /proc before and
after.

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
CPU_RUN = os.path.join(os.path.dirname(os.path.abspath(__file__)), "cpu_run.py")
TICK = os.sysconf("SC_CLK_TCK")
WINE_VARIABLES = ("WINEPREFIX", "WINEDEBUG", "LC_ALL", "LANG")


class Measured:
    """Wall seconds and CPU seconds of one run (or of runs one after the other)."""

    def __init__(self, seconds, own_cpu, server_cpu, code=0):
        self.code = code
        self.seconds = seconds
        self.own_cpu = own_cpu        # user + system seconds of the command's process and all it started
        self.server_cpu = server_cpu  # the standing processes of the prefix, during the run
        self.cpu = own_cpu + server_cpu

    def __add__(self, other):
        return Measured(self.seconds + other.seconds, self.own_cpu + other.own_cpu,
                        self.server_cpu + other.server_cpu, self.code or other.code)


class PaneRun(Measured):
    def __init__(self, code, screen, seconds, own_cpu, server_cpu, peak_kib=None, watched=None):
        Measured.__init__(self, seconds, own_cpu, server_cpu, code)
        self.screen = screen
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
    cpu_file = os.path.join(state, "cpu")
    peak_file = os.path.join(state, "peak")
    env = dict(harness.wine_env(), WINEDEBUG=debug)
    variables = " ".join("%s=%s" % (k, shlex.quote(env[k])) for k in WINE_VARIABLES)
    wrap = "%s -f %%M -o %s " % (GNU_TIME, shlex.quote(peak_file)) if peak else ""
    errors = " 2> %s" % shlex.quote(debug_file) if debug_file else ""
    command = ("cd %s; python3 %s %s %senv -u DISPLAY %s %s %s %s%s; echo $? > %s; exec sleep 600") % (
        shlex.quote(cwd or work), shlex.quote(CPU_RUN), shlex.quote(cpu_file), wrap, variables,
        shlex.quote(harness.WINE), shlex.quote(program), " ".join(shlex.quote(a) for a in args), errors,
        shlex.quote(rc_file))
    tmux = ["tmux", "-L", socket]
    standing = prefix_ticks()
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
        server_cpu = server_share(standing, prefix_ticks())
        time.sleep(0.1)
        screen = harness.capture(tmux, session)
        with open(rc_file) as f:
            code = harness.exit_code(int(f.read().strip()))
        with open(cpu_file) as f:
            _, wall_ns, user, system, orphans = f.read().split()
        if int(orphans):
            raise SystemExit("%s left a process running after its end" % program)
        seconds = int(wall_ns) / 1e9
        peak_kib = None
        if peak:
            with open(peak_file) as f:
                peak_kib = int(f.read().split()[-1])
        return PaneRun(code, screen, seconds, float(user) + float(system), server_cpu, peak_kib, watched)
    finally:
        subprocess.run(tmux + ["kill-session", "-t", session], stderr=subprocess.DEVNULL)
        shutil.rmtree(state, ignore_errors=True)


def _read(path):
    try:
        with open(path, "rb") as f:
            return f.read()
    except OSError:
        return b""


def measure(command, env=None, log=None, wine=True):
    """Runs command (no console: standard input empty, output to log) under
    cpu_run.py; wine: count the prefix's standing processes too."""
    state = tempfile.mkdtemp(prefix="vestro-cpu-", dir=harness.WORK)
    cpu_file = os.path.join(state, "cpu")
    try:
        standing = prefix_ticks() if wine else {}
        done = subprocess.run(["python3", CPU_RUN, cpu_file] + list(command), env=env, stdin=subprocess.DEVNULL,
                              stdout=log or subprocess.DEVNULL, stderr=log or subprocess.DEVNULL)
        server_cpu = server_share(standing, prefix_ticks()) if wine else 0.0
        with open(cpu_file) as f:
            _, wall_ns, user, system, orphans = f.read().split()
        if int(orphans):
            raise SystemExit("%s left a process running after its end" % command[0])
        return Measured(int(wall_ns) / 1e9, float(user) + float(system), server_cpu, done.returncode)
    finally:
        shutil.rmtree(state, ignore_errors=True)


def prefix_ticks():
    """{pid: (start time, user + system ticks)} of the processes of the prefix."""
    wanted = ("WINEPREFIX=%s" % harness.PREFIX).encode()
    found = {}
    for name in os.listdir("/proc"):
        if not name.isdigit() or wanted not in _read("/proc/%s/environ" % name).split(b"\0"):
            continue
        stat = _read("/proc/%s/stat" % name).decode("utf-8", "replace")
        fields = stat[stat.rfind(")") + 2:].split()
        if len(fields) > 19:
            found[int(name)] = (fields[19], int(fields[11]) + int(fields[12]))
    return found


def server_share(before, after):
    """CPU seconds spent between two prefix_ticks() by the processes up at
    both (the same process: the same start time)."""
    ticks = sum(t - before[pid][1] for pid, (start, t) in after.items() if pid in before and before[pid][0] == start)
    return ticks / TICK


def _parent(pid):
    for line in _read("/proc/%s/status" % pid).decode("utf-8", "replace").splitlines():
        if line.startswith("PPid:"):
            return line.split(":", 1)[1].strip()
    return ""


def _look(shell, text, watched, pids=None):
    """Records VmHWM of every process (of pids, or of all) whose command line
    starts with text and that descends from the pane's shell through at most
    two processes between (cpu_run.py, GNU time)."""
    for name in (str(pid) for pid in pids) if pids is not None else os.listdir("/proc"):
        if not name.isdigit():
            continue
        command = _read("/proc/%s/cmdline" % name).replace(b"\0", b" ").decode("utf-8", "replace")
        if not command.startswith(text):
            continue
        status = _read("/proc/%s/status" % name).decode("utf-8", "replace")
        fields = dict(line.split(":", 1) for line in status.splitlines() if ":" in line)
        parent = fields.get("PPid", "").strip()
        above = [parent]
        while len(above) < 3 and above[-1]:
            above.append(_parent(above[-1]))
        if str(shell) not in above or "VmHWM" not in fields:
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
