"""What a folder tree holds, to tell whether a run changed a source."""
import hashlib
import os


def files_below(root):
    """Every file below root, by relative path: its bytes."""
    found = {}
    for folder, _, names in os.walk(root):
        for name in names:
            path = os.path.join(folder, name)
            with open(path, "rb") as f:
                found[os.path.relpath(path, root)] = f.read()
    return found


def snapshot(root, skip=()):
    """Every entry below root, by relative path: folders, files (size,
    modification time in ns, digest of the bytes) and links (their targets),
    links not followed. skip: folders left out with everything below them,
    compared by where they really are (a destination inside the source)."""
    skipped = {os.path.realpath(p) for p in skip}
    found = {}
    for folder, folders, files in os.walk(root):
        for name in list(folders):
            path = os.path.join(folder, name)
            if os.path.islink(path):
                found[os.path.relpath(path, root)] = ("link", os.readlink(path))
                folders.remove(name)
            elif os.path.realpath(path) in skipped:
                folders.remove(name)
            else:
                found[os.path.relpath(path, root)] = ("folder",)
        for name in files:
            path = os.path.join(folder, name)
            if os.path.islink(path):
                found[os.path.relpath(path, root)] = ("link", os.readlink(path))
                continue
            with open(path, "rb") as f:
                digest = hashlib.sha256(f.read()).hexdigest()
            st = os.stat(path)
            found[os.path.relpath(path, root)] = ("file", st.st_size, st.st_mtime_ns, digest)
    return found


class SourceKept:
    """Mixin for scenarios: the source is exactly what it was before the run."""

    def keep_source(self, root, skip=()):
        self._kept = (root, skip, snapshot(root, skip))

    def assert_source_unchanged(self):
        root, skip, before = self._kept
        after = snapshot(root, skip)
        added = sorted(set(after) - set(before))
        removed = sorted(set(before) - set(after))
        changed = sorted(k for k in before if k in after and before[k] != after[k])
        self.assertEqual((added, removed, changed), ([], [], []), "the run changed its source " + root)
