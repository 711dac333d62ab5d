#!/bin/sh
# SPDX-License-Identifier: MIT
# Builds the page into OUT_DIR (default build/web): the engine compiled twice
# to WebAssembly, with SIMD and without, then one self-contained index.html.
set -eu
root="$(cd "$(dirname "$0")/.." && pwd)"
out="${1:-$root/build/web}"
objects="$out/engine"
mkdir -p "$objects"
# emcc's helpers are Node modules from Debian's own packages; a Node from
# elsewhere does not look there by itself.
export NODE_PATH="${NODE_PATH:-/usr/share/nodejs}"

# Every engine source, so that a new one cannot be left out of the page.
sources="$(echo "$root"/engine/*.cpp) $root/web/engine_binding.cpp"

build() {
    name="$1"; shift
    # Only when a source changed: the page's own files need no recompile.
    # shellcheck disable=SC2086
    if [ -f "$objects/$name.js" ] && [ -z "$(find $sources "$0" -newer "$objects/$name.js")" ]; then
        return
    fi
    # shellcheck disable=SC2086
    nice emcc -std=c++20 -O3 -Wall -Wextra -Werror -I"$root" "$@" $sources \
        -sENVIRONMENT=worker -sMODULARIZE=1 -sEXPORT_NAME="$name" -sSINGLE_FILE=1 \
        -sFILESYSTEM=0 -sALLOW_MEMORY_GROWTH=1 -sMAXIMUM_MEMORY=2GB \
        -sEXPORTED_FUNCTIONS=_velmor_cipher_begin,_velmor_cipher_apply,_velmor_cipher_end,_malloc,_free -sEXPORTED_RUNTIME_METHODS=HEAPU16 \
        -o "$objects/$name.js"
}

build createVelmorEngineSimd -msimd128
build createVelmorEnginePlain
# Debian's own Python, which has Debian's fontTools.
/usr/bin/python3 "$root/web/mask_font.py" "$objects/mask.ttf"
python3 "$root/web/assemble.py" "$root/web" "$objects/createVelmorEngineSimd.js" "$objects/createVelmorEnginePlain.js" \
    "$objects/mask.ttf" "$out/index.html"
echo "Built $out/index.html ($(wc -c < "$out/index.html") bytes, $(gzip -9c "$out/index.html" | wc -c) gzipped)"
