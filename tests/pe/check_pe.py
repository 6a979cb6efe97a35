#!/usr/bin/env python3
"""Checks a Windows binary without running it: its machine type, that it
exports exactly the names given (undecorated), and that it imports only from
system DLLs (the compiler's runtime must be linked in statically), and on
request that it is marked aware of Remote Desktop servers.

  check_pe.py FILE --machine x64|x86 [--exports NAME ...] [--tsaware]
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
    "shlwapi.dll", "version.dll", "ws2_32.dll", "olepro32.dll", "oledlg.dll",
}


class PE:
    def __init__(self, data):
        self.data = data
        if data[:2] != b"MZ":
            raise ValueError("not an MZ file")
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("no PE signature")
        self.machine, sections, _, _, _, optional_size, _ = struct.unpack_from("<HHIIIHH", data, pe + 4)
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


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("file")
    parser.add_argument("--machine", choices=MACHINES, required=True)
    parser.add_argument("--exports", nargs="*")
    parser.add_argument("--tsaware", action="store_true")
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
    for problem in problems:
        print(f"{args.file}: {problem}")
    if not problems:
        print(f"{args.file}: {args.machine}, exports {sorted(pe.exports())}, imports {sorted(pe.imports())}")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
