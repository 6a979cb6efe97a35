#!/usr/bin/env python3
"""The entries of a distribution's zip, for scripts/verify.sh. Entries are
written under a number, never under the path the archive gives them.

  zip_entries.py programs ZIP DIR        each .dll and .exe to DIR/N;
                                         prints "N NAME" per entry
  zip_entries.py compare ZIP REBUILT DIR every entry of both: prints
                                         "same NAME", "only NAME" (in one zip)
                                         or "differs NAME DIR/N DIR/N.rebuilt"
Fields are separated by tabs.
"""
import pathlib
import sys
import zipfile


def programs(archive, out):
    with zipfile.ZipFile(archive) as z:
        entries = [e for e in z.infolist() if e.filename.lower().endswith((".dll", ".exe"))]
        for i, entry in enumerate(entries):
            (out / str(i)).write_bytes(z.read(entry))
            print(f"{i}\t{entry.filename}")


def compare(archive, rebuilt, out):
    with zipfile.ZipFile(archive) as a, zipfile.ZipFile(rebuilt) as b:
        ours, theirs = set(a.namelist()), set(b.namelist())
        for i, name in enumerate(sorted(ours | theirs)):
            if name not in ours or name not in theirs:
                print(f"only\t{name}")
                continue
            mine, other = a.read(name), b.read(name)
            if mine == other:
                print(f"same\t{name}")
                continue
            (out / str(i)).write_bytes(mine)
            (out / f"{i}.rebuilt").write_bytes(other)
            print(f"differs\t{name}\t{out / str(i)}\t{out / f'{i}.rebuilt'}")


if __name__ == "__main__":
    mode, *args = sys.argv[1:]
    if mode == "programs":
        programs(args[0], pathlib.Path(args[1]))
    else:
        compare(args[0], args[1], pathlib.Path(args[2]))
