#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
# Puts the page together as one self-contained file: style, script and the
# worker's source (with both engine builds) inline, allowed by hash.
"""Usage: assemble.py WEB_DIR SIMD_ENGINE_JS PLAIN_ENGINE_JS MASK_FONT OUTPUT_HTML"""
import base64
import hashlib
import sys
from pathlib import Path


def sha256(text: str) -> str:
    return "'sha256-" + base64.b64encode(hashlib.sha256(text.encode("utf-8")).digest()).decode("ascii") + "'"


def inline(text: str, name: str) -> str:
    # Inside a script or style element only "</" followed by the element's
    # name could end it early.
    if "</script" in text.lower() or "</style" in text.lower():
        sys.exit(f"{name} cannot be inlined: it contains a closing tag")
    return text


def main() -> None:
    if len(sys.argv) != 6:
        sys.exit(__doc__)
    web, simd, plain, mask_font, out = (Path(arg) for arg in sys.argv[1:])
    font = base64.b64encode(mask_font.read_bytes()).decode("ascii")
    style = inline(
        f"@font-face {{ font-family: 'Velmor Mask'; src: url(data:font/ttf;base64,{font}) format('truetype'); }}\n"
        + (web / "page.css").read_text(encoding="utf-8"),
        "page.css",
    )
    script = inline((web / "page.js").read_text(encoding="utf-8"), "page.js")
    worker = inline(
        "\n".join(path.read_text(encoding="utf-8") for path in (simd, plain, web / "worker.js")), "worker source"
    )
    # Nothing may come from anywhere: no fetch, font, image or frame. The
    # worker is made from a blob of the inline source; WebAssembly needs
    # 'wasm-unsafe-eval' to compile the engine inside it. The one font is
    # inline too.
    csp = "; ".join(
        [
            "default-src 'none'",
            f"script-src {sha256(script)} 'wasm-unsafe-eval'",
            f"style-src {sha256(style)}",
            "worker-src blob:",
            "img-src 'none'",
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


if __name__ == "__main__":
    main()
