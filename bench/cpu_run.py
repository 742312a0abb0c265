"""Runs a command and writes, to the file named first, its wall time to its
own end and the CPU seconds of it and of every process it started.

    python3 cpu_run.py OUT command args...

Wine starts conhost.exe (and any other process) in a double fork, so the
new process is no child of the command and GNU time never counts it. This
wrapper marks itself a child subreaper: orphans of the command come to it,
it waits for them (up to ORPHAN_WAIT seconds after the command ends) and
their CPU time is in its RUSAGE_CHILDREN. OUT gets one line:
    exit-status wall-ns user-s system-s orphans-not-ended
"""
import ctypes
import os
import resource
import sys
import time

PR_SET_CHILD_SUBREAPER = 36
ORPHAN_WAIT = 5.0


def main():
    out, command = sys.argv[1], sys.argv[2:]
    libc = ctypes.CDLL(None, use_errno=True)
    if libc.prctl(PR_SET_CHILD_SUBREAPER, 1, 0, 0, 0) != 0:
        raise SystemExit("prctl(PR_SET_CHILD_SUBREAPER): errno %d" % ctypes.get_errno())
    started = time.perf_counter_ns()
    pid = os.fork()
    if pid == 0:
        try:
            os.execvp(command[0], command)
        finally:
            os._exit(127)
    status = None
    while status is None:
        ended, code = os.waitpid(-1, 0)
        if ended == pid:
            status = code
    wall = time.perf_counter_ns() - started
    deadline = time.time() + ORPHAN_WAIT
    left = 0
    while True:
        try:
            ended, _ = os.waitpid(-1, os.WNOHANG)
        except ChildProcessError:
            break
        if ended == 0:
            if time.time() > deadline:
                left = 1
                break
            time.sleep(0.005)
    usage = resource.getrusage(resource.RUSAGE_CHILDREN)
    code = os.waitstatus_to_exitcode(status)
    code = code if code >= 0 else 128 - code  # as the shell reports a signal
    with open(out, "w") as f:
        f.write("%d %d %.6f %.6f %d\n" % (code, wall, usage.ru_utime, usage.ru_stime, left))
    sys.exit(code & 255)


if __name__ == "__main__":
    main()
