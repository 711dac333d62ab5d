#!/bin/sh
# SPDX-License-Identifier: MIT
# Runs the distribution's own checkers on a package build and fails when any
# of them complains: lintian on the .changes (every package in it), then, in
# each package unpacked, appstreamcli (the AppStream metadata and the desktop
# entry it launches) and desktop-file-validate, where the package has them.
#   lint-package.sh PACKAGES.changes
set -eu
changes=$1
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT INT TERM
failed=0

echo "lintian $(basename "$changes"):"
# Information tags are shown as well; errors and warnings fail.
lintian --display-info --fail-on error,warning "$changes" || failed=1

for deb in $(sed -n '/^Files:/,/^[^ ]/ s/^ .* \([^ ]*\.deb\)$/\1/p' "$changes"); do
    root="$scratch/${deb%.deb}"
    dpkg-deb -x "$(dirname "$changes")/$deb" "$root"
    # The AppStream id is the project's domain reversed, and that domain sits
    # under a reserved top-level domain, which appstreamcli does not recognise
    # as one; the id is reverse-DNS all the same.
    if [ -d "$root/usr/share/metainfo" ]; then
        echo "appstreamcli validate-tree $deb:"
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
done
exit "$failed"
