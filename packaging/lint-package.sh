#!/bin/sh
# SPDX-License-Identifier: MIT
# Runs the distribution's own checkers on the Debian package and fails when
# any of them complains: lintian on the .deb, appstreamcli on the unpacked
# tree (the AppStream metadata and the desktop entry it launches), and
# desktop-file-validate on the desktop entry.
#   lint-package.sh PACKAGE.deb
set -eu
deb=$1
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT INT TERM
root="$scratch/root"
dpkg-deb -x "$deb" "$root"
failed=0

echo "lintian $(basename "$deb"):"
# Information tags are shown as well; errors and warnings fail.
lintian --display-info --fail-on error,warning "$deb" || failed=1

# The AppStream id is the project's domain reversed, and that domain sits
# under a reserved top-level domain, which appstreamcli does not recognise as
# one; the id is reverse-DNS all the same.
echo "appstreamcli validate-tree:"
appstreamcli validate-tree --no-net --strict --override=cid-maybe-not-rdns=pedantic "$root" || failed=1

echo "desktop-file-validate:"
for desktop in "$root"/usr/share/applications/*.desktop; do
    desktop=${desktop#"$root"/}
    # Hints do not change its exit status, so any output counts.
    report=$(cd "$root" && desktop-file-validate "$desktop" 2>&1) || failed=1
    if [ -n "$report" ]; then
        echo "$report"
        failed=1
    else
        echo "/$desktop: valid"
    fi
done
exit "$failed"
