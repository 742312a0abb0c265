"""Writes a small sample tree (nested folders, Japanese names, sizes on and
off sector boundaries) at the given path, once."""
import os
import sys

root = sys.argv[1]
if not os.path.isdir(root):
    files = {
        "readme.txt": 1000,
        "空.txt": 0,
        "2009/IMG_0001.jpg": 4 * 1024 * 1024 + 100,
        "2009/IMG_0002.jpg": 512 * 3,
        "2009/表/ソ.jpg": 70000,
        "2010/旅行/能登/十日目.jpg": 9 * 1024 * 1024 + 7,
        "2010/旅行/メモ.txt": 100,
    }
    for name, size in files.items():
        path = os.path.join(root, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            pattern = bytes((i * 7 + len(name)) % 251 for i in range(251))
            f.write((pattern * (size // 251 + 1))[:size])
    os.makedirs(os.path.join(root, "empty"), exist_ok=True)
