#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
# Puts the page together as one self-contained file: style, script and the
# worker's source (with both engine builds) inline, allowed by hash; beside
# it the service worker, manifest and icons that make it an installable app.
"""Usage: assemble.py WEB_DIR SIMD_ENGINE_JS PLAIN_ENGINE_JS MASK_FONT OUTPUT_HTML
       assemble.py --prelude  (the shared words, limits and code page, as script)"""
import base64
import hashlib
import json
import re
import struct
import sys
import zlib
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
# The files that hold what the window and the page share.
SHARED = (ROOT / "words/words.h", ROOT / "engine/settings.h")
PAGE_PARTS = ("codec.js", "exact_box.js", "worker_client.js", "page.js")
WORKER_PARTS = ("codec.js", "worker.js")
ICON_SIZES = (192, 512)


def sha256(text: str) -> str:
    return "'sha256-" + base64.b64encode(hashlib.sha256(text.encode("utf-8")).digest()).decode("ascii") + "'"


def inline(text: str, name: str) -> str:
    # Inside a script or style element only "</" followed by the element's
    # name could end it early.
    if "</script" in text.lower() or "</style" in text.lower():
        sys.exit(f"{name} cannot be inlined: it contains a closing tag")
    return text


def cpp_value(source: str, name: str):
    """A u"" text (adjacent literals joined), an integer product or a brace list."""
    source = source.strip()
    if source.startswith('u"'):
        parts = re.findall(r'u"((?:[^"\\]|\\.)*)"', source)
        if re.sub(r'u"((?:[^"\\]|\\.)*)"', "", source).strip():
            sys.exit(f"{name}: only u\"\" literals may be joined")
        escapes = {"n": "\n", "r": "\r", "t": "\t", '"': '"', "\\": "\\"}
        return "".join(re.sub(r"\\(.)", lambda m: escapes[m.group(1)], part) for part in parts)
    if source.startswith("{"):
        return [cpp_value(item, name) for item in source.strip("{}").split(",")]
    factors = source.split("*")
    value = 1
    for factor in factors:
        digits = re.fullmatch(r"\s*(0x[0-9A-Fa-f]+|\d+)(?:LL|U|u)?\s*", factor)
        if not digits:
            sys.exit(f"{name}: cannot read the value {source!r}")
        value *= int(digits.group(1), 0)
    return value


def shared_words() -> dict:
    """Every `inline constexpr` text and number of the shared headers."""
    words = {}
    for header in SHARED:
        text = re.sub(r"//[^\n]*", "", header.read_text(encoding="utf-8"))
        entries = re.findall(r"inline constexpr (?:char16_t|int|long long|std::array<int, \d+>) (k\w+)(?:\[\])?"
                             r"\s*(?:=\s*|(?=\{))([^;]*);", text)
        for name, value in entries:
            words[name] = cpp_value(value, name)
    return words


def windows1252_high_range() -> list:
    """The characters of bytes 0x80..0x9F, from the one Windows-1252 table."""
    text = (ROOT / "codec/windows1252.h").read_text(encoding="utf-8")
    found = re.search(r"kHighControlRange\{([^}]*)\}", text)
    values = [int(value, 16) for value in re.findall(r"0x[0-9A-Fa-f]+", found.group(1))] if found else []
    if len(values) != 32:
        sys.exit("codec/windows1252.h: kHighControlRange must list 32 characters")
    return values


def prelude() -> str:
    return (f"const WORDS = Object.freeze({json.dumps(shared_words(), ensure_ascii=False)});\n"
            f"const CODEC_HIGH_RANGE = {json.dumps(windows1252_high_range())};\n")


def png(pixels: list, size: int) -> bytes:
    """An RGBA PNG of rows of (r, g, b, a) pixels."""
    def chunk(kind: bytes, data: bytes) -> bytes:
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    raw = b"".join(b"\0" + bytes(channel for pixel in row for channel in pixel) for row in pixels)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def window_icon(size: int) -> bytes:
    """The window's own icon, ui/window_icon.xpm, enlarged pixel for pixel on
    the form's grey, as installed apps' icons are square and filled."""
    rows = re.findall(r'"([^"]*)"', (ROOT / "ui/window_icon.xpm").read_text(encoding="utf-8"))
    width, height, colours, per_pixel = (int(value) for value in rows[0].split()[:4])
    palette = {}
    for line in rows[1:1 + colours]:
        key, colour = line[:per_pixel], line[per_pixel:].split()[-1]
        palette[key] = (192, 192, 192, 255) if colour.lower() == "none" else (
            int(colour[1:3], 16), int(colour[3:5], 16), int(colour[5:7], 16), 255)
    image = [[palette[row[x * per_pixel:(x + 1) * per_pixel]] for x in range(width)]
             for row in rows[1 + colours:1 + colours + height]]
    # The icon keeps a margin, as a phone's home screen cuts corners off.
    inner = size * 3 // 4 // width * width
    scale, margin = inner // width, (size - inner) // 2
    background = (192, 192, 192, 255)
    pixels = [[background] * size for _ in range(size)]
    for y in range(inner):
        for x in range(inner):
            pixels[margin + y][margin + x] = image[y // scale][x // scale]
    return png(pixels, size)


def manifest(words: dict) -> str:
    return json.dumps({
        "name": words["kMachineName"],
        "short_name": "Velmor",
        "description": "Encrypts and decrypts text with a password on up to 30 Encryption Wheels, with no network.",
        "start_url": "./",
        "scope": "./",
        "display": "standalone",
        "background_color": "#c0c0c0",
        "theme_color": "#c0c0c0",
        "icons": [{"src": f"icon-{size}.png", "sizes": f"{size}x{size}", "type": "image/png", "purpose": "any"}
                  for size in ICON_SIZES],
    }, indent=2, ensure_ascii=False) + "\n"


def main() -> None:
    if sys.argv[1:] == ["--prelude"]:
        print(prelude(), end="")
        return
    if len(sys.argv) != 6:
        sys.exit(__doc__)
    web, simd, plain, mask_font, out = (Path(arg) for arg in sys.argv[1:])
    font = base64.b64encode(mask_font.read_bytes()).decode("ascii")
    style = inline(
        f"@font-face {{ font-family: 'Velmor Mask'; src: url(data:font/ttf;base64,{font}) format('truetype'); }}\n"
        + (web / "page.css").read_text(encoding="utf-8"),
        "page.css",
    )
    shared = prelude()
    script = inline(shared + "\n".join((web / part).read_text(encoding="utf-8") for part in PAGE_PARTS), "page script")
    worker = inline(
        "\n".join([simd.read_text(encoding="utf-8"), plain.read_text(encoding="utf-8"), shared]
                  + [(web / part).read_text(encoding="utf-8") for part in WORKER_PARTS]), "worker source"
    )
    # Nothing may come from anywhere else: no fetch, font, image or frame. The
    # cipher's worker is made from a blob of the inline source; WebAssembly
    # needs 'wasm-unsafe-eval' to compile the engine inside it. From a web
    # host the page's own manifest, icons and service worker come from its
    # own origin ('self').
    csp = "; ".join(
        [
            "default-src 'none'",
            f"script-src {sha256(script)} 'wasm-unsafe-eval'",
            f"style-src {sha256(style)}",
            "worker-src blob: 'self'",
            "manifest-src 'self'",
            "img-src 'self'",
            "font-src data:",
            "connect-src 'none'",
            "base-uri 'none'",
            "form-action 'none'",
        ]
    )
    page = (web / "index.html").read_text(encoding="utf-8")
    for marker, value in (("@CSP@", csp), ("@STYLE@", style), ("@SCRIPT@", script), ("@WORKER@", worker)):
        if page.count(marker) != 1:
            sys.exit(f"index.html must hold {marker} exactly once")
        page = page.replace(marker, value)
    out.write_text(page, encoding="utf-8")

    folder = out.parent
    version = hashlib.sha256(page.encode("utf-8")).hexdigest()[:16]
    (folder / "service-worker.js").write_text(
        (web / "service_worker.js").read_text(encoding="utf-8").replace("@VERSION@", version), encoding="utf-8")
    (folder / "manifest.webmanifest").write_text(manifest(shared_words()), encoding="utf-8")
    for size in ICON_SIZES:
        (folder / f"icon-{size}.png").write_bytes(window_icon(size))


if __name__ == "__main__":
    main()
