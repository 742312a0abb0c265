"""Writes a small sample tree at the given path: nested folders with ASCII
names (wine's console shows them as they are), files with Japanese names
among them (表 and ソ end in the byte 0x5C, a backslash, in Shift-JIS), and
sizes on and off sector boundaries."""
import os
import sys

root = sys.argv[1]
files = {
    "readme.txt": 1000,
    "空.txt": 0,
    "2009/IMG_0001.jpg": 4 * 1024 * 1024 + 100,
    "2009/IMG_0002.jpg": 512 * 3,
    "2009/scans/表紙.jpg": 70000,
    "2009/scans/ソース.txt": 300,
    "2010/trip/noto/十日目.jpg": 9 * 1024 * 1024 + 7,
    "2010/trip/メモ.txt": 100,
}
for name, size in files.items():
    path = os.path.join(root, name)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        pattern = bytes((i * 7 + len(name)) % 251 for i in range(251))
        f.write((pattern * (size // 251 + 1))[:size])
os.makedirs(os.path.join(root, "empty"), exist_ok=True)
