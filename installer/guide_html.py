#!/usr/bin/env python3
"""Turns the user guide (Markdown) into one HTML page for the installers and
the zip, and copies the pictures it shows beside it.

  guide_html.py docs/user-guide.md OUTPUT_DIR VERSION
"""
import pathlib
import re
import shutil
import sys

import markdown  # Debian: python3-markdown

PAGE = """<!DOCTYPE html>
<html lang="en"><head><meta charset="utf-8"><title>Tavrel {version} user guide</title>
<style>body{{font-family:Segoe UI,Arial,sans-serif;max-width:50em;margin:2em auto;padding:0 1em;line-height:1.45}}
img{{max-width:100%}} table{{border-collapse:collapse}} td,th{{border:1px solid #bbb;padding:.25em .5em}}
code,pre{{background:#f3f3f3}}</style></head>
<body>
{body}
</body></html>
"""


def main():
    source, out_dir, version = pathlib.Path(sys.argv[1]), pathlib.Path(sys.argv[2]), sys.argv[3]
    text = source.read_text(encoding="utf-8")
    out_dir.mkdir(parents=True, exist_ok=True)
    # Pictures named by a relative path go along, under the same path.
    for picture in re.findall(r"!\[[^\]]*\]\(([^)\s]+)", text):
        if "://" in picture:
            continue
        found = (source.parent / picture).resolve()
        if ".." in pathlib.PurePosixPath(picture).parts or picture.startswith("/"):
            sys.exit(f"guide_html: {source} shows {picture}: keep pictures in a folder below the guide")
        if not found.is_file():
            sys.exit(f"guide_html: {source} shows {picture}, which does not exist")
        target = out_dir / picture
        target.parent.mkdir(parents=True, exist_ok=True)
        shutil.copyfile(found, target)
    body = markdown.markdown(text, extensions=["tables", "fenced_code"])
    (out_dir / "user-guide.html").write_text(PAGE.format(version=version, body=body), encoding="utf-8")


if __name__ == "__main__":
    main()
