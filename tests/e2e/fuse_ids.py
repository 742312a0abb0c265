"""A pass-through file system that lies about inode numbers, which wine hands
on as Windows file IDs, or that goes away as a lost share does.

    /usr/bin/python3 fuse_ids.py zero|repeat|drop BACKING MOUNTPOINT

zero: every entry's inode number is 0. repeat: a folder two or more levels
below the root reports the number of the folder two levels above it (a/b
the root's, a/b/c a's); files and the first level keep their own. drop:
once a write reaches 5 MiB into a file, that write and every later call
fail, as when a share drops.
Runs in the foreground until unmounted (fusermount -u) or sent SIGTERM.
Needs Debian's python3-fusepy, which installs the module as fusepy.
"""
import errno
import os
import sys
import time

try:
    from fusepy import FUSE, FuseOSError, Operations
except ImportError:
    from fuse import FUSE, FuseOSError, Operations

STAT_KEYS = ("st_mode", "st_nlink", "st_uid", "st_gid", "st_size", "st_atime", "st_mtime", "st_ctime")


DROP_AT = 5 << 20
UTIME_NOW = (1 << 30) - 1
UTIME_OMIT = (1 << 30) - 2


class LyingIds(Operations):
    use_ns = True  # times in whole nanoseconds, not floats
    # A last-write time set alone comes with the access time omitted, which
    # libfuse drops unless the file system says it takes that.
    flag_utime_omit_ok = 1

    def __init__(self, mode, backing):
        self.mode = mode
        self.backing = os.path.realpath(backing)
        self.dropped = False

    def real(self, path):
        return os.path.join(self.backing, path.lstrip("/"))

    def ino(self, path, st):
        if self.mode == "zero":
            return 0
        if self.mode == "drop":
            return st.st_ino
        parts = [p for p in path.split("/") if p]
        if self.mode == "repeat" and len(parts) >= 2 and os.path.isdir(self.real(path)):
            above = "/" + "/".join(parts[:-2])
            return self.ino(above, os.lstat(self.real(above)))
        return st.st_ino

    def __call__(self, op, *args):
        if self.dropped and op not in ("init", "destroy", "release", "releasedir"):
            raise FuseOSError(errno.EIO)
        try:
            return super().__call__(op, *args)
        except OSError as e:
            raise FuseOSError(e.errno or errno.EIO)

    def getattr(self, path, fh=None):
        st = os.lstat(self.real(path))
        attrs = {k: getattr(st, k) for k in STAT_KEYS}
        attrs.update(st_atime=st.st_atime_ns, st_mtime=st.st_mtime_ns, st_ctime=st.st_ctime_ns,
                     st_ino=self.ino(path, st))
        return attrs

    def readdir(self, path, fh):
        # Names only: readdir(3) hides an entry whose d_ino is 0.
        return [".", ".."] + os.listdir(self.real(path))

    def access(self, path, amode):
        if not os.access(self.real(path), amode):
            raise FuseOSError(errno.EACCES)

    def statfs(self, path):
        sv = os.statvfs(self.real(path))
        return {k: getattr(sv, k) for k in ("f_bavail", "f_bfree", "f_blocks", "f_bsize", "f_favail",
                                            "f_ffree", "f_files", "f_flag", "f_frsize", "f_namemax")}

    def readlink(self, path):
        return os.readlink(self.real(path))

    def open(self, path, flags):
        return os.open(self.real(path), flags)

    def create(self, path, mode, fi=None):
        return os.open(self.real(path), os.O_WRONLY | os.O_CREAT | os.O_TRUNC, mode)

    def read(self, path, size, offset, fh):
        return os.pread(fh, size, offset)

    def write(self, path, data, offset, fh):
        if self.mode == "drop" and offset + len(data) >= DROP_AT:
            os.pwrite(fh, data[:max(0, DROP_AT - offset)], offset)
            self.dropped = True
            raise FuseOSError(errno.EIO)
        return os.pwrite(fh, data, offset)

    def truncate(self, path, length, fh=None):
        os.truncate(fh if fh is not None else self.real(path), length)

    def flush(self, path, fh):
        return 0

    def fsync(self, path, datasync, fh):
        os.fdatasync(fh) if datasync else os.fsync(fh)

    def release(self, path, fh):
        os.close(fh)

    def chmod(self, path, mode):
        os.chmod(self.real(path), mode)

    def chown(self, path, uid, gid):
        os.lchown(self.real(path), uid, gid)

    def utimens(self, path, times=None):
        if times is not None:
            # An omitted time arrives as its tv_nsec alone, which use_ns adds in.
            st = os.lstat(self.real(path))
            kept = (st.st_atime_ns, st.st_mtime_ns)
            times = tuple(kept[i] if t == UTIME_OMIT else time.time_ns() if t == UTIME_NOW else t
                          for i, t in enumerate(times))
        os.utime(self.real(path), ns=times, follow_symlinks=False)

    def mkdir(self, path, mode):
        os.mkdir(self.real(path), mode)

    def rmdir(self, path):
        os.rmdir(self.real(path))

    def unlink(self, path):
        os.unlink(self.real(path))

    def rename(self, old, new):
        os.rename(self.real(old), self.real(new))

    def symlink(self, target, source):
        os.symlink(source, self.real(target))

    def link(self, target, source):
        os.link(self.real(source), self.real(target))

    def mknod(self, path, mode, dev):
        os.mknod(self.real(path), mode, dev)


if __name__ == "__main__":
    if len(sys.argv) != 4 or sys.argv[1] not in ("zero", "repeat", "drop"):
        sys.exit(__doc__)
    FUSE(LyingIds(sys.argv[1], sys.argv[2]), sys.argv[3], foreground=True, use_ino=True, fsname="fuse_ids")
