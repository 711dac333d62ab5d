#!/bin/sh
# SPDX-License-Identifier: MIT
# Runs a manual page through the three readers Debian users have: mandoc's
# lint, groff with every warning, and man-db's own check. Any message fails.
#   lint-manual.sh PAGE
for tool in mandoc groff man; do
    command -v "$tool" >/dev/null || { echo "$tool is missing: make deps installs it"; exit 1; }
done
messages=$(mandoc -Tlint "$1" 2>&1; groff -ww -man -Tutf8 -z "$1" 2>&1; LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$1" 2>&1 >/dev/null)
[ -z "$messages" ] || { printf '%s:\n%s\n' "$1" "$messages"; exit 1; }
