#!/usr/bin/env python3
"""Draws the property page's background picture: the surface, with its
panels exactly under the controls of the page's dialog template.

The layout is read from the dialog template in the resource script (the one
source of truth), so moving a control moves the panel under it. The result is
an uncompressed 8-bit BMP, 561 x 350 pixels, with a 256-entry colour table and
2834 pixels per metre.

usage: surface_art.py RESOURCE_SCRIPT OUTPUT_BMP
"""

import re
import struct
import sys

WIDTH, HEIGHT = 561, 350
PIXELS_PER_METRE = 2834
# The template's size in dialog units; at its font it is the picture's size.
DIALOG_UNITS = (374, 215)

PAGE_BK = (165, 175, 190)  # the page's own background colour behind labels
BODY = (52, 56, 64)
BODY_DARK = (36, 39, 45)
BODY_LIGHT = (84, 90, 100)
PANEL_LIGHT = (214, 220, 230)
PANEL_SHADOW = (112, 120, 134)
KEY_FACE = (222, 222, 216)
KEY_SHADOW = (120, 120, 112)
SLOT = (18, 19, 22)
FADER_CAP = (200, 204, 210)
LED_RED = (230, 50, 40)
LED_GREEN = (60, 200, 80)
LED_YELLOW = (235, 200, 50)
LED_OFF = (70, 60, 60)
DISPLAY_BACK = (20, 8, 8)
DISPLAY_ON = (255, 60, 40)
DISPLAY_OFF = (60, 20, 18)
LOGO = (235, 238, 242)

CONTROL_LINE = re.compile(
    r'^\s*CONTROL\s+(?P<text>"[^"]*"|\w+)\s*,\s*(?P<id>-?\w+)\s*,\s*"(?P<cls>\w+)"\s*,\s*(?P<style>[^,]+),'
    r'\s*(?P<x>\d+)\s*,\s*(?P<y>\d+)\s*,\s*(?P<w>\d+)\s*,\s*(?P<h>\d+)\s*$')


def read_controls(script_path):
    """The controls of the DIALOGEX in template order: (text, id, class, style, rect)."""
    controls, inside = [], False
    with open(script_path, encoding="ascii") as script:
        for line in script:
            if re.match(r"^\s*\w+\s+DIALOGEX\b", line):
                inside = True
            elif inside and re.match(r"^\s*END\b", line):
                break
            elif inside:
                match = CONTROL_LINE.match(line)
                if match:
                    rect = tuple(int(match[k]) for k in ("x", "y", "w", "h"))
                    controls.append((match["text"].strip('"'), match["id"], match["cls"], match["style"], rect))
    if len(controls) != 43:
        sys.exit(f"{script_path}: expected the page's 43 controls, found {len(controls)}")
    return controls


def to_pixels(rect):
    """Dialog units to picture pixels (left, top, right, bottom)."""
    sx, sy = WIDTH / DIALOG_UNITS[0], HEIGHT / DIALOG_UNITS[1]
    x, y, w, h = rect
    return (round(x * sx), round(y * sy), round((x + w) * sx), round((y + h) * sy))


class Canvas:
    def __init__(self, width, height):
        self.width, self.height = width, height
        self.palette = []
        self.pixels = bytearray(width * height)

    def index(self, rgb):
        if rgb not in self.palette:
            if len(self.palette) == 256:
                sys.exit("more than 256 colours")
            self.palette.append(rgb)
        return self.palette.index(rgb)

    def fill(self, left, top, right, bottom, rgb):
        value = self.index(rgb)
        left, right = max(left, 0), min(right, self.width)
        for y in range(max(top, 0), min(bottom, self.height)):
            row = y * self.width
            self.pixels[row + left:row + right] = bytes([value]) * max(right - left, 0)

    def bevel(self, left, top, right, bottom, face, light, shadow):
        self.fill(left, top, right, bottom, face)
        self.fill(left, top, right, top + 1, light)
        self.fill(left, top, left + 1, bottom, light)
        self.fill(left, bottom - 1, right, bottom, shadow)
        self.fill(right - 1, top, right, bottom, shadow)

    def disc(self, cx, cy, radius, rgb):
        value = self.index(rgb)
        for y in range(int(cy - radius), int(cy + radius) + 1):
            for x in range(int(cx - radius), int(cx + radius) + 1):
                if (x - cx) ** 2 + (y - cy) ** 2 <= radius * radius and 0 <= x < self.width and 0 <= y < self.height:
                    self.pixels[y * self.width + x] = value

    def write_bmp(self, path):
        palette = self.palette + [(g, g, g) for g in range(256 - len(self.palette))]
        stride = (self.width + 3) & ~3
        rows = bytearray()
        for y in range(self.height - 1, -1, -1):  # bottom-up
            row = self.pixels[y * self.width:(y + 1) * self.width]
            rows += row + bytes(stride - self.width)
        table = b"".join(bytes((b, g, r, 0)) for (r, g, b) in palette)
        offset = 14 + 40 + len(table)
        info = struct.pack("<IiiHHIIiiII", 40, self.width, self.height, 1, 8, 0, len(rows), PIXELS_PER_METRE,
                           PIXELS_PER_METRE, 256, 0)
        header = b"BM" + struct.pack("<IHHI", offset + len(rows), 0, 0, offset)
        with open(path, "wb") as out:
            out.write(header + info + table + rows)


GLYPHS = {  # 5 x 7
    "T": ["11111", "00100", "00100", "00100", "00100", "00100", "00100"],
    "A": ["01110", "10001", "10001", "11111", "10001", "10001", "10001"],
    "V": ["10001", "10001", "10001", "10001", "10001", "01010", "00100"],
    "R": ["11110", "10001", "10001", "11110", "10100", "10010", "10001"],
    "E": ["11111", "10000", "10000", "11110", "10000", "10000", "11111"],
    "L": ["10000", "10000", "10000", "10000", "10000", "10000", "11111"],
}


def draw_text(canvas, x, y, text, scale, rgb):
    for char in text:
        for row, bits in enumerate(GLYPHS[char]):
            for col, bit in enumerate(bits):
                if bit == "1":
                    canvas.fill(x + col * scale, y + row * scale, x + (col + 1) * scale, y + (row + 1) * scale, rgb)
        x += 6 * scale


def draw_digit(canvas, x, y, segments):
    """One seven-segment digit, 14 x 24 pixels; `segments` lists the lit ones of 'abcdefg'."""
    bars = {"a": (2, 0, 12, 2), "b": (12, 2, 14, 11), "c": (12, 13, 14, 22), "d": (2, 22, 12, 24),
            "e": (0, 13, 2, 22), "f": (0, 2, 2, 11), "g": (2, 11, 12, 13)}
    for name, (l, t, r, b) in bars.items():
        canvas.fill(x + l, y + t, x + r, y + b, DISPLAY_ON if name in segments else DISPLAY_OFF)


def draw_top_section(canvas, top_of_panels):
    """Logo, the 32 channel strips with their LEDs, and the two-digit display."""
    band_bottom = top_of_panels - 6
    canvas.bevel(4, 4, WIDTH - 4, band_bottom, BODY_DARK, BODY_LIGHT, SLOT)
    draw_text(canvas, 14, (band_bottom - 14) // 2 + 2, "TAVREL", 2, LOGO)
    strip_left, strip_width = 96, 11
    for strip in range(32):
        x = strip_left + strip * strip_width
        canvas.fill(x + 4, 10, x + 6, band_bottom - 8, SLOT)  # fader slot
        cap_y = 14 + (strip * 7) % 22
        canvas.fill(x + 1, cap_y, x + 9, cap_y + 5, FADER_CAP)
        for n, lit in enumerate((LED_RED, LED_GREEN, LED_YELLOW)):
            on = (strip + n) % 5 == 0
            canvas.fill(x + 2 + n * 3, band_bottom - 6, x + 4 + n * 3, band_bottom - 4, lit if on else LED_OFF)
    display_left = strip_left + 32 * strip_width + 14
    canvas.bevel(display_left, 12, display_left + 44, band_bottom - 8, DISPLAY_BACK, SLOT, BODY_LIGHT)
    draw_digit(canvas, display_left + 6, 16, "abcdef")  # 0
    draw_digit(canvas, display_left + 24, 16, "bc")  # 1


def main():
    script, output = sys.argv[1], sys.argv[2]
    controls = read_controls(script)
    canvas = Canvas(WIDTH, HEIGHT)
    canvas.fill(0, 0, WIDTH, HEIGHT, BODY)
    canvas.fill(0, 0, WIDTH, 2, BODY_LIGHT)
    canvas.fill(0, HEIGHT - 2, WIDTH, HEIGHT, BODY_DARK)

    groups = [to_pixels(rect) for (_, _, cls, style, rect) in controls if cls == "Button" and "BS_GROUPBOX" in style]
    draw_top_section(canvas, min(top for (_, top, _, _) in groups))

    # A light panel under each group box, and under the "Default Options"
    # label and its button, so their text sits on the page's own colour.
    for (left, top, right, bottom) in groups:
        canvas.bevel(left - 3, top - 2, right + 3, bottom + 3, PAGE_BK, PANEL_LIGHT, PANEL_SHADOW)
    labels = {text: to_pixels(rect) for (text, _, cls, _, rect) in controls if cls == "Static" and text}
    button = next(to_pixels(rect) for (_, id_, _, _, rect) in controls if id_ == "1023")
    left, top, _, _ = labels["Default Options"]
    canvas.bevel(left - 6, button[1] - 4, button[2] + 5, button[3] + 4, PAGE_BK, PANEL_LIGHT, PANEL_SHADOW)

    # A key cap left of each function-key label, a knob left of each send label.
    for n in range(1, 10):
        left, top, right, bottom = labels[f"F{n}"]
        canvas.bevel(left - 14, top - 1, left - 3, bottom + 1, KEY_FACE, (250, 250, 246), KEY_SHADOW)
    for send in "ABCDE":
        left, top, right, bottom = labels[f"Send {send}"]
        cy = (top + bottom) / 2
        canvas.disc(left - 8, cy, 6, SLOT)
        canvas.disc(left - 8, cy, 4.5, FADER_CAP)
        canvas.fill(left - 9, int(cy) - 5, left - 7, int(cy) - 1, SLOT)

    # The footswitch pedal in the free corner of its group, under the
    # second radio button's row and right of it.
    group = next(to_pixels(rect) for (text, _, _, _, rect) in controls if text == "Footswitch")
    radio = next(to_pixels(rect) for (_, id_, _, _, rect) in controls if id_ == "1020")
    pedal_left, pedal_right = radio[2] + 10, group[2] - 12
    pedal_top, pedal_bottom = labels["/ Ins Track (3 taps)"][3] + 2, group[3] - 6
    if pedal_right - pedal_left > 20 and pedal_bottom - pedal_top > 10:
        canvas.bevel(pedal_left, pedal_top, pedal_right, pedal_bottom, BODY, BODY_LIGHT, SLOT)
        for y in range(pedal_top + 4, pedal_bottom - 3, 4):
            canvas.fill(pedal_left + 5, y, pedal_right - 5, y + 1, BODY_DARK)

    canvas.write_bmp(output)


if __name__ == "__main__":
    main()
