#!/bin/sh
# SPDX-License-Identifier: MIT
# Runs a manual page through the three readers Debian users have: mandoc's
# lint, groff with every warning, and man-db's own check. Any message fails.
#   lint-manual.sh PAGE...
set -u
for tool in mandoc groff man; do
    command -v "$tool" >/dev/null || { echo "$tool is missing: make deps installs it"; exit 1; }
done
failed=0
for page in "$@"; do
    messages=$(
        mandoc -Tlint "$page" 2>&1
        groff -ww -man -Tutf8 -z "$page" 2>&1
        LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null
    )
    if [ -n "$messages" ]; then
        printf '%s:\n%s\n' "$page" "$messages"
        failed=1
    fi
done
exit "$failed"
