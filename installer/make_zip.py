#!/usr/bin/env python3
"""Writes the Windows zip of the distribution so that the same files give the
same bytes: entries in a fixed order (README.txt, then x64, x86 and guide,
each sorted by path), every entry with the same time, the build's epoch in
UTC (a zip stores local time without a zone; 1980-01-01 at the earliest,
the format's first day), mode 0644 and the same compression.

  make_zip.py STAGE_DIR ARCHIVE TOP_FOLDER EPOCH
"""
import pathlib
import sys
import time
import zipfile

PARTS = ["README.txt", "x64", "x86", "guide"]
ZIP_FIRST_DAY = 315532800  # 1980-01-01 00:00:00 UTC


def main():
    stage, archive, top, epoch = pathlib.Path(sys.argv[1]), sys.argv[2], sys.argv[3], int(sys.argv[4])
    date_time = time.gmtime(max(epoch, ZIP_FIRST_DAY))[:6]
    with zipfile.ZipFile(archive, "w") as z:
        for part in PARTS:
            path = stage / part
            if not path.exists():
                continue
            files = [path] if path.is_file() else sorted(p for p in path.rglob("*") if p.is_file())
            for f in files:
                info = zipfile.ZipInfo(f"{top}/{f.relative_to(stage).as_posix()}", date_time)
                info.create_system = 3  # Unix, so that the mode below is read
                info.external_attr = 0o100644 << 16
                info.compress_type = zipfile.ZIP_DEFLATED
                z.writestr(info, f.read_bytes(), compresslevel=9)


if __name__ == "__main__":
    main()
