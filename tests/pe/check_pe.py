#!/usr/bin/env python3
"""Checks a Windows binary without running it: its machine type, that it
exports exactly the names given (undecorated), and that it imports only from
system DLLs (the compiler's runtime must be linked in statically), and on
request that it is marked aware of Remote Desktop servers.

  check_pe.py FILE --machine x64|x86 [--exports NAME ...] [--tsaware] [--version X.Y.Z]
              [--timestamp SECONDS]

With --version it also checks the version resource that Windows shows in the
file's properties: file and product version, product name "Tavrel", a
description and the file's own name. With --timestamp it checks that the
time stamps of the file header and of the export table are the build's
epoch, not the time the file was linked.
"""
import argparse
import struct
import sys

MACHINES = {"x64": 0x8664, "x86": 0x014C}
# IMAGE_DLLCHARACTERISTICS_TERMINAL_SERVER_AWARE: without it, Windows gives a
# program on a Remote Desktop server a per-user Windows folder.
TERMINAL_SERVER_AWARE = 0x8000
SYSTEM_DLLS = {
    "kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "ole32.dll", "oleaut32.dll",
    "shell32.dll", "comctl32.dll", "comdlg32.dll", "uuid.dll", "msvcrt.dll", "ntdll.dll",
    "shlwapi.dll", "version.dll", "ws2_32.dll", "olepro32.dll", "oledlg.dll", "winmm.dll",
}


class PE:
    def __init__(self, data):
        self.data = data
        if data[:2] != b"MZ":
            raise ValueError("not an MZ file")
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("no PE signature")
        self.machine, sections, self.timestamp, _, _, optional_size, _ = struct.unpack_from("<HHIIIHH", data, pe + 4)
        optional = pe + 24
        magic = struct.unpack_from("<H", data, optional)[0]
        self.dll_characteristics = struct.unpack_from("<H", data, optional + 70)[0]
        directories = optional + (112 if magic == 0x20B else 96)
        self.dirs = [struct.unpack_from("<II", data, directories + 8 * i) for i in range(16)]
        table = optional + optional_size
        self.sections = []
        for i in range(sections):
            vsize, vaddr, rsize, raddr = struct.unpack_from("<IIII", data, table + 40 * i + 8)
            self.sections.append((vaddr, max(vsize, rsize), raddr))

    def offset(self, rva):
        for vaddr, size, raddr in self.sections:
            if vaddr <= rva < vaddr + size:
                return rva - vaddr + raddr
        raise ValueError("address outside every section")

    def string(self, rva):
        start = self.offset(rva)
        return self.data[start:self.data.index(b"\0", start)].decode("ascii")

    def exports(self):
        rva, size = self.dirs[0]
        if not rva:
            return []
        base = self.offset(rva)
        count = struct.unpack_from("<I", self.data, base + 24)[0]
        names = struct.unpack_from("<I", self.data, base + 32)[0]
        return [self.string(struct.unpack_from("<I", self.data, self.offset(names) + 4 * i)[0]) for i in range(count)]

    def export_timestamp(self):
        rva, _ = self.dirs[0]
        return struct.unpack_from("<I", self.data, self.offset(rva) + 4)[0] if rva else None

    def imports(self):
        rva, _ = self.dirs[1]
        found = []
        if not rva:
            return found
        entry = self.offset(rva)
        while True:
            name = struct.unpack_from("<I", self.data, entry + 12)[0]
            if name == 0:
                return found
            found.append(self.string(name))
            entry += 20

    def resource(self, type_id):
        """The data of the first resource of this type, or None."""
        rva, _ = self.dirs[2]
        if not rva:
            return None
        base = self.offset(rva)
        level = base
        for _ in range(2):  # type, then name: take the matching type, then the first name
            named, ids = struct.unpack_from("<HH", self.data, level + 12)
            entries = [struct.unpack_from("<II", self.data, level + 16 + 8 * i) for i in range(named + ids)]
            if level == base:
                entries = [e for e in entries if e[0] == type_id]
            if not entries or not entries[0][1] & 0x80000000:
                return None
            level = base + (entries[0][1] & 0x7FFFFFFF)
        named, ids = struct.unpack_from("<HH", self.data, level + 12)
        if named + ids == 0:
            return None
        language = struct.unpack_from("<II", self.data, level + 16)[1]
        data_rva, size = struct.unpack_from("<II", self.data, base + language)
        start = self.offset(data_rva)
        return self.data[start:start + size]


RT_VERSION = 16


def version_blocks(data, offset=0):
    """(key, value, children) of one VS_VERSIONINFO-style block."""
    length, value_length, kind = struct.unpack_from("<HHH", data, offset)
    end = data.index(b"\0\0", offset + 6)
    while (end - offset - 6) % 2:
        end = data.index(b"\0\0", end + 1)
    key = data[offset + 6:end].decode("utf-16-le")
    pos = (end + 2 + 3) & ~3
    size = value_length * 2 if kind == 1 else value_length
    value = data[pos:pos + size]
    children, child = [], (pos + size + 3) & ~3
    while child < offset + length:
        children.append(version_blocks(data, child))
        child = (child + struct.unpack_from("<H", data, child)[0] + 3) & ~3
    return key, value, children


def version_problems(pe, path, version):
    data = pe.resource(RT_VERSION)
    if data is None:
        return ["no version resource"]
    key, fixed, children = version_blocks(data)
    if key != "VS_VERSION_INFO" or struct.unpack_from("<I", fixed)[0] != 0xFEEF04BD:
        return ["version resource without its fixed part"]
    file_ms, file_ls, product_ms, product_ls = struct.unpack_from("<IIII", fixed, 8)
    numbers = [int(n) for n in version.split(".")] + [0]
    expected = ((numbers[0] << 16) | numbers[1], (numbers[2] << 16) | numbers[3])
    problems = []
    if (file_ms, file_ls) != expected or (product_ms, product_ls) != expected:
        problems.append(f"fixed version {file_ms >> 16}.{file_ms & 0xFFFF}.{file_ls >> 16}.{file_ls & 0xFFFF}, "
                        f"expected {version}.0")
    strings = {}
    for child_key, _, tables in children:
        if child_key == "StringFileInfo":
            for _, _, entries in tables:
                for name, value, _ in entries:
                    strings[name] = value.decode("utf-16-le").rstrip("\0")
    wanted = {"ProductName": "Tavrel", "FileVersion": version, "ProductVersion": version,
              "OriginalFilename": path.replace("\\", "/").rsplit("/", 1)[-1]}
    for name, value in wanted.items():
        if strings.get(name) != value:
            problems.append(f"{name} {strings.get(name)!r}, expected {value!r}")
    if not strings.get("FileDescription"):
        problems.append("no FileDescription")
    return problems


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("file")
    parser.add_argument("--machine", choices=MACHINES, required=True)
    parser.add_argument("--exports", nargs="*")
    parser.add_argument("--tsaware", action="store_true")
    parser.add_argument("--version")
    parser.add_argument("--timestamp", type=int)
    args = parser.parse_args()
    pe = PE(open(args.file, "rb").read())
    problems = []
    if pe.machine != MACHINES[args.machine]:
        problems.append(f"machine 0x{pe.machine:04x}, expected {args.machine}")
    if args.exports is not None and sorted(pe.exports()) != sorted(args.exports):
        problems.append(f"exports {sorted(pe.exports())}, expected {sorted(args.exports)}")
    if args.tsaware and not pe.dll_characteristics & TERMINAL_SERVER_AWARE:
        problems.append("not marked aware of Remote Desktop servers (--tsaware)")
    foreign = [dll for dll in pe.imports() if dll.lower() not in SYSTEM_DLLS]
    if foreign:
        problems.append(f"imports from non-system DLLs: {foreign}")
    if args.version is not None:
        problems += version_problems(pe, args.file, args.version)
    if args.timestamp is not None:
        for where, stamp in (("file header", pe.timestamp), ("export table", pe.export_timestamp())):
            if stamp not in (args.timestamp, None):
                problems.append(f"{where} time stamp {stamp}, expected {args.timestamp}")
    for problem in problems:
        print(f"{args.file}: {problem}")
    if not problems:
        checked = f", version {args.version}" if args.version is not None else ""
        checked += f", time stamp {args.timestamp}" if args.timestamp is not None else ""
        print(f"{args.file}: {args.machine}, exports {sorted(pe.exports())}, imports {sorted(pe.imports())}{checked}")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
