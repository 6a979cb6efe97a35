#!/usr/bin/env python3
"""Writes the property page's list items as dialog initialisation data
(resource type 240 of template 102): the 42 items of each function-key
combo, then the 10 items of each send combo, one CB_ADDSTRING entry per item.

The items are read from the C++ sources the plug-in itself is built from, so
there is still one place to change a caption:
  the function-command table  (caption, leading blanks, trailing blank per row),
  the list of send captions,
  the page's control ids (the first and last combo of each kind).
Anything in those files this reader does not understand stops the build with
a message naming the line, rather than producing a list that has drifted.

usage: page_lists.py FUNCTION_COMMAND_TABLE_H SEND_CAPTIONS_H PAGE_RESOURCES_H OUTPUT
"""

import re
import struct
import sys

CB_ADDSTRING = 0x0143
C_STRING = r'"([^"\\]*)"'  # captions are plain text: no escapes


def fail(path, message):
    sys.exit(f"{path}: {message}")


def read(path):
    with open(path, encoding="utf-8") as source:
        return source.read()


def block(path, text, opening):
    """The text between `opening` (a regex ending in '{') and its '};'."""
    match = re.search(opening, text)
    if not match:
        fail(path, f"no match for {opening!r}")
    end = text.find("\n};", match.end())
    if end < 0:
        fail(path, f"no end of the block opened by {opening!r}")
    first_line = text.count("\n", 0, match.end()) + 1  # the line of the opening brace
    return first_line, text[match.end():end]


def constant(path, text, name):
    match = re.search(rf"\bconstexpr\s+int\s+{name}\s*=\s*(\d+)\s*;", text)
    if not match:
        fail(path, f"no 'constexpr int {name} = N;'")
    return int(match[1])


def without_comments(code):
    """`code` with its // and /* */ comments blanked (newlines kept), string
    and character literals left alone."""
    out, i = [], 0
    while i < len(code):
        if code.startswith("//", i) or code.startswith("/*", i):
            end = code.find("\n" if code[i + 1] == "/" else "*/", i)
            end = len(code) if end < 0 else end + (0 if code[i + 1] == "/" else 2)
            out.append("".join(c if c == "\n" else " " for c in code[i:end]))
            i = end
        elif code[i] in "\"'":
            end = i + 1
            while end < len(code) and code[end] != code[i]:
                end += 2 if code[end] == "\\" else 1
            out.append(code[i:end + 1])
            i = end + 1
        else:
            out.append(code[i])
            i += 1
    return "".join(out)


def braced_groups(path, body, line):
    """The top-level {...} groups of `body` with the line each starts on,
    however they are wrapped; anything between the groups but commas and
    comments stops the build."""
    body = without_comments(body)
    groups, depth, start, start_line, i = [], 0, 0, line, 0
    while i < len(body):
        c = body[i]
        if c == "\n":
            line += 1
        elif c in "\"'":
            i += 1
            while i < len(body) and body[i] != c:
                i += 2 if body[i] == "\\" else 1
        elif c == "{":
            if depth == 0:
                start, start_line = i, line
            depth += 1
        elif c == "}":
            depth -= 1
            if depth < 0:
                fail(f"{path}:{line}", "unbalanced '}'")
            if depth == 0:
                groups.append((start_line, body[start:i + 1]))
        elif depth == 0 and not c.isspace() and c != ",":
            fail(f"{path}:{line}", f"unexpected {c!r} between table rows")
        i += 1
    if depth != 0:
        fail(path, "a table row is not closed")
    return groups


def function_items(path):
    """The list item of every row of the function-command table, in row order."""
    text = read(path)
    # The rows are read by position: make sure the fields still come first in this order.
    _, fields = block(path, text, r"\bstruct\s+FunctionCommand\s*\{")
    fields = without_comments(fields)
    names = re.findall(r"(\w+)\s*(?:\[\d+\])?\s*;", fields)
    if names[:3] != ["caption", "pad", "trailingBlank"]:
        fail(path, f"FunctionCommand begins with {names[:3]}, expected caption, pad, trailingBlank")
    count = constant(path, text, "COMMAND_COUNT")
    first_line, body = block(path, text, r"\bFUNCTION_COMMANDS\s*\[\s*COMMAND_COUNT\s*\]\s*=\s*\{")
    row = re.compile(r"\{\s*" + C_STRING + r"\s*,\s*(\d+)\s*,\s*(true|false)\s*,.*\}", re.S)
    items = []
    for number, text_of_row in braced_groups(path, body, first_line):
        match = row.fullmatch(text_of_row)
        if not match:
            fail(f"{path}:{number}", f"not a table row this generator understands: {' '.join(text_of_row.split())}")
        caption, pad, trailing = match[1], int(match[2]), match[3] == "true"
        items.append(" " * pad + caption + (" " if trailing else ""))
    if len(items) != count:
        fail(path, f"{len(items)} rows, COMMAND_COUNT is {count}")
    return items


def send_items(path):
    text = read(path)
    count = constant(path, text, "SEND_CAPTION_COUNT")
    _, body = block(path, text, r"\bSEND_CAPTIONS\s*\[\s*SEND_CAPTION_COUNT\s*\]\s*=\s*\{")
    body = without_comments(body)
    leftover = re.sub(C_STRING, "", body)
    if re.sub(r"[\s,]", "", leftover):
        fail(path, f"SEND_CAPTIONS holds more than plain strings: {leftover.strip()}")
    items = re.findall(C_STRING, body)
    if len(items) != count:
        fail(path, f"{len(items)} send captions, SEND_CAPTION_COUNT is {count}")
    return items


def control_ids(path):
    text = read(path)
    ids = {}
    for name in ("IDC_COMBO_F1", "IDC_COMBO_F9", "IDC_COMBO_SEND_A", "IDC_COMBO_SEND_E"):
        match = re.search(rf"^#define\s+{name}\s+(\d+)\b", text, re.M)
        if not match:
            fail(path, f"no '#define {name} N'")
        ids[name] = int(match[1])
    return (range(ids["IDC_COMBO_F1"], ids["IDC_COMBO_F9"] + 1),
            range(ids["IDC_COMBO_SEND_A"], ids["IDC_COMBO_SEND_E"] + 1))


def entry(control, text, path):
    try:
        data = text.encode("ascii") + b"\0"
    except UnicodeEncodeError:
        fail(path, f"caption {text!r} is not plain ASCII")
    return struct.pack("<HHI", control, CB_ADDSTRING, len(data)) + data


def main():
    if len(sys.argv) != 5:
        sys.exit(__doc__)
    table, sends, resources, output = sys.argv[1:]
    function_combos, send_combos = control_ids(resources)
    # In control order, each combo's items in item order; a WORD 0 ends the data.
    lists = [(function_combos, function_items(table), table), (send_combos, send_items(sends), sends)]
    data = b"".join(entry(control, item, path) for combos, items, path in lists for control in combos for item in items)
    data += struct.pack("<H", 0)
    with open(output, "wb") as out:
        out.write(data)


if __name__ == "__main__":
    main()
