#!/usr/bin/python3
# SPDX-License-Identifier: MIT
# Writes a one-glyph font that draws the browsers' password mask characters
# as "*", so the page's password box is masked with "*" like the window's.
"""Usage: mask_font.py OUTPUT_WOFF2_OR_TTF"""
import math
import os
import sys

from fontTools.fontBuilder import FontBuilder
from fontTools.misc.timeTools import epoch_diff
from fontTools.pens.ttGlyphPen import TTGlyphPen

UNITS = 1000
# Chromium masks with U+2022, Firefox and Safari with U+25CF; U+002A itself
# keeps the width when a browser asks for it.
MASKS = (0x2022, 0x25CF, 0x2A)


def asterisk(pen: TTGlyphPen) -> None:
    """Six rounded-off spokes around the centre, as one outline."""
    cx, cy, outer, half = 300, 480, 230, 34
    points = []
    for spoke in range(6):
        angle = math.radians(90 + 60 * spoke)
        side = (-math.sin(angle), math.cos(angle))
        tip = (cx + outer * math.cos(angle), cy + outer * math.sin(angle))
        points.append((tip[0] - half * side[0], tip[1] - half * side[1]))
        points.append((tip[0] + half * side[0], tip[1] + half * side[1]))
        # The notch between this spoke and the next.
        between = math.radians(120 + 60 * spoke)
        inner = half / math.sin(math.radians(30))
        points.append((cx + inner * math.cos(between), cy + inner * math.sin(between)))
    # Clockwise, as TrueType wants an outer contour.
    points.reverse()
    pen.moveTo(tuple(round(v) for v in points[0]))
    for point in points[1:]:
        pen.lineTo(tuple(round(v) for v in point))
    pen.closePath()


def main() -> None:
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    # The font's dates are the source's (the build sets SOURCE_DATE_EPOCH), so
    # that every build of the page has the same bytes and the same CSP hash.
    if "SOURCE_DATE_EPOCH" not in os.environ:
        sys.exit("mask_font.py: SOURCE_DATE_EPOCH is not set (make web sets it)")
    stamp = int(os.environ["SOURCE_DATE_EPOCH"]) - epoch_diff
    builder = FontBuilder(UNITS, isTTF=True)
    builder.updateHead(created=stamp, modified=stamp)
    builder.font.recalcTimestamp = False
    builder.setupGlyphOrder([".notdef", "mask"])
    builder.setupCharacterMap({code: "mask" for code in MASKS})
    empty = TTGlyphPen(None)
    empty.moveTo((0, 0))
    empty.lineTo((0, 1))
    empty.lineTo((1, 1))
    empty.closePath()
    star = TTGlyphPen(None)
    asterisk(star)
    builder.setupGlyf({".notdef": empty.glyph(), "mask": star.glyph()})
    builder.setupHorizontalMetrics({".notdef": (600, 0), "mask": (600, 70)})
    builder.setupHorizontalHeader(ascent=800, descent=-200)
    builder.setupNameTable({"familyName": "Velmor Mask", "styleName": "Regular"})
    builder.setupOS2(sTypoAscender=800, sTypoDescender=-200, usWinAscent=800, usWinDescent=200)
    builder.setupPost()
    builder.save(sys.argv[1])


if __name__ == "__main__":
    main()
