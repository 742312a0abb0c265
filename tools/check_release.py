"""Checks the release files without running them: the version resource of
vestro.exe carries the project's version (from CMakeCache.txt), its embedded
manifest is long-path aware, runs as the invoking user and sets no code page,
and dist/vestro-VERSION-win64.zip holds exactly vestro.exe, README.md,
LICENSE and CHANGELOG.md, the same files as the build and the checkout.

    python3 tools/check_release.py [--build DIR] [--dist DIR]

Exit code 1 when any check fails.
"""
import argparse
import os
import re
import struct
import sys
import xml.etree.ElementTree as ET
import zipfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
RT_VERSION, RT_MANIFEST = 16, 24
ARCHIVED = ["vestro.exe", "README.md", "LICENSE", "CHANGELOG.md"]


def u16(data, at):
    return struct.unpack_from("<H", data, at)[0]


def u32(data, at):
    return struct.unpack_from("<I", data, at)[0]


def resources(exe):
    """{(type, id): data} of the PE's resources, the first language of each."""
    pe = u32(exe, 0x3C)
    if exe[pe:pe + 4] != b"PE\0\0":
        raise ValueError("not a PE file")
    count, optional_size = u16(exe, pe + 6), u16(exe, pe + 20)
    table = pe + 24 + optional_size
    for i in range(count):
        at = table + 40 * i
        if exe[at:at + 8].rstrip(b"\0") == b".rsrc":
            rva, raw = u32(exe, at + 12), u32(exe, at + 20)
            break
    else:
        return {}

    def entries(directory):
        named, ids = u16(exe, raw + directory + 12), u16(exe, raw + directory + 14)
        for k in range(named + ids):
            at = raw + directory + 16 + 8 * k
            yield u32(exe, at), u32(exe, at + 4)

    found = {}
    for type_id, names in entries(0):
        for name_id, languages in entries(names & 0x7FFFFFFF):
            for _, leaf in entries(languages & 0x7FFFFFFF):
                data_rva, size = u32(exe, raw + leaf), u32(exe, raw + leaf + 4)
                start = raw + data_rva - rva
                found.setdefault((type_id, name_id), exe[start:start + size])
                break
    return found


def version_block(data, at):
    """(key, value bytes, children) of one block of a version resource."""
    length, value_length, is_text = u16(data, at), u16(data, at + 2), u16(data, at + 4)
    end = at + length
    key_end = at + 6
    while data[key_end:key_end + 2] != b"\0\0":
        key_end += 2
    key = data[at + 6:key_end].decode("utf-16-le")
    value = (key_end + 2 + 3) & ~3
    value_end = min(end, value + (value_length * 2 if is_text else value_length))
    children, child = [], (value_end + 3) & ~3
    while child + 6 <= end and u16(data, child):
        children.append(version_block(data, child))
        child = (child + u16(data, child) + 3) & ~3
    return key, data[value:value_end], children


def version_info(data):
    """The fixed file and product versions, and the strings of every table."""
    key, fixed, children = version_block(data, 0)
    if key != "VS_VERSION_INFO" or len(fixed) < 52 or u32(fixed, 0) != 0xFEEF04BD:
        raise ValueError("no VS_FIXEDFILEINFO")
    split = lambda ms, ls: (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF)
    file_version = split(u32(fixed, 8), u32(fixed, 12))
    product_version = split(u32(fixed, 16), u32(fixed, 20))
    strings = {}
    for key, _, tables in children:
        if key == "StringFileInfo":
            for _, _, entries in tables:
                for name, value, _ in entries:
                    strings[name] = value.decode("utf-16-le").split("\0")[0]
    return file_version, product_version, strings


def manifest_problems(text):
    try:
        root = ET.fromstring(text)
    except ET.ParseError as e:
        return ["the manifest is not well-formed XML (%s)" % e]
    elements = {}
    for element in root.iter():
        elements.setdefault(element.tag.split("}")[-1], element)
    problems = []
    long_paths = elements.get("longPathAware")
    if long_paths is None or (long_paths.text or "").strip().lower() != "true":
        problems.append("the manifest does not declare longPathAware true")
    level = elements.get("requestedExecutionLevel")
    if level is None or level.get("level") != "asInvoker":
        problems.append("the manifest does not ask for asInvoker")
    if "activeCodePage" in elements:
        problems.append("the manifest sets an activeCodePage")
    return problems


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--build", default=os.path.join(ROOT, "build", "win"))
    parser.add_argument("--dist", default=os.path.join(ROOT, "dist"))
    args = parser.parse_args()

    with open(os.path.join(args.build, "CMakeCache.txt"), encoding="utf-8") as f:
        match = re.search(r"^CMAKE_PROJECT_VERSION:STATIC=(\S+)$", f.read(), re.M)
    if not match:
        sys.exit("check_release.py: no CMAKE_PROJECT_VERSION in %s" % args.build)
    version = match.group(1)
    numbers = tuple(int(n) for n in version.split("."))
    numbers = (numbers + (0, 0, 0, 0))[:4]
    exe_path = os.path.join(args.build, "vestro.exe")
    with open(exe_path, "rb") as f:
        exe = f.read()

    failures = []

    def check(ok, what):
        print("%s %s" % ("ok  " if ok else "FAIL", what))
        if not ok:
            failures.append(what)

    found = resources(exe)
    version_data = found.get((RT_VERSION, 1))
    check(version_data is not None, "vestro.exe has a version resource")
    if version_data is not None:
        file_version, product_version, strings = version_info(version_data)
        check(file_version == numbers and product_version == numbers,
              "fixed file and product version %s are %s"
              % (".".join(map(str, file_version)), version))
        for name, wanted in [("FileVersion", version), ("ProductVersion", version),
                             ("ProductName", "VESTRO"), ("OriginalFilename", "vestro.exe")]:
            check(strings.get(name) == wanted, "%s is %r (found %r)" % (name, wanted, strings.get(name)))

    manifest = found.get((RT_MANIFEST, 1))
    check(manifest is not None, "vestro.exe has an embedded manifest (resource 1 of type 24)")
    if manifest is not None:
        for problem in manifest_problems(manifest) or [None]:
            check(problem is None, problem or "the manifest is long-path aware, asInvoker, with no code page")

    archive = os.path.join(args.dist, "vestro-%s-win64.zip" % version)
    check(os.path.isfile(archive), "%s exists" % os.path.relpath(archive, ROOT))
    if os.path.isfile(archive):
        with zipfile.ZipFile(archive) as z:
            names = z.namelist()
            check(sorted(names) == sorted(ARCHIVED), "the archive holds exactly %s (found %s)"
                  % (", ".join(ARCHIVED), ", ".join(names)))
            for name in ARCHIVED:
                if name in names:
                    source = exe_path if name == "vestro.exe" else os.path.join(ROOT, name)
                    with open(source, "rb") as f:
                        check(z.read(name) == f.read(), "the archive's %s is %s"
                              % (name, os.path.relpath(source, ROOT)))

    if failures:
        print("check_release.py: %d check(s) failed" % len(failures))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
