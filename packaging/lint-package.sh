#!/bin/sh
# SPDX-License-Identifier: MIT
# Runs the distribution's own checkers on a Debian package and fails when
# any of them complains: lintian on the .deb, appstreamcli on the unpacked
# tree (the AppStream metadata and the desktop entry it launches), and
# desktop-file-validate on the desktop entry, where the package has them.
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
# one; the id is reverse-DNS all the same. The command-line tool's package
# has neither metadata nor a desktop entry.
if [ -d "$root/usr/share/metainfo" ]; then
    echo "appstreamcli validate-tree:"
    appstreamcli validate-tree --no-net --strict --override=cid-maybe-not-rdns=pedantic "$root" || failed=1
fi

for desktop in "$root"/usr/share/applications/*.desktop; do
    [ -e "$desktop" ] || continue
    desktop=${desktop#"$root"/}
    echo "desktop-file-validate /$desktop:"
    # Hints do not change its exit status, so any output counts.
    report=$(cd "$root" && desktop-file-validate "$desktop" 2>&1) || failed=1
    if [ -n "$report" ]; then
        echo "$report"
        failed=1
    else
        echo "valid"
    fi
done
exit "$failed"
