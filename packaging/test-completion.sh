#!/bin/bash
# SPDX-License-Identifier: MIT
# Loads velmor's bash completion the way an interactive shell does, with
# bash-completion's own functions, and checks what it offers.
#   test-completion.sh COMPLETION_FILE
set -u
# shellcheck source=/dev/null
. /usr/share/bash-completion/bash_completion
# shellcheck source=/dev/null
. "$1"

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch" || exit 1
touch letter.txt key.txt "old letter.txt"
mkdir notes
export VELMOR_KEY_FOR_TESTS=1

failed=0
# expect LINE WORD...: completing at the end of LINE offers exactly WORDs, in
# any order.
expect() {
    local line=$1
    shift
    COMP_LINE=$line
    COMP_POINT=${#line}
    read -ra COMP_WORDS <<<"$line"
    [[ $line == *" " ]] && COMP_WORDS+=("")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMPREPLY=()
    _velmor velmor "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
    local got want
    got=$(printf '%s\n' "${COMPREPLY[@]}" | sort | paste -sd '|')
    want=$(printf '%s\n' "$@" | sort | paste -sd '|')
    if [[ $got != "$want" ]]; then
        echo "completing \"$line\": offered [$got], expected [$want]"
        failed=1
    fi
}

expect "velmor " encrypt decrypt wheels -h --help --version
expect "velmor de" decrypt
expect "velmor --help w" wheels
expect "velmor encrypt -w " 4 6 8 10 12 14 16 18 20 22 24 26 28 30
expect "velmor decrypt --wheels=2" 20 22 24 26 28
expect "velmor decrypt -w 30 --passes " 1 3 6 9 12
expect "velmor encrypt -n 1" 1 12
expect "velmor encrypt -i " key.txt letter.txt notes "old letter.txt"
expect "velmor decrypt -i o" "old letter.txt"
expect "velmor decrypt -o l" letter.txt
expect "velmor encrypt --password-file=k" key.txt
expect "velmor encrypt --password-file key.txt -w 20 --" --passes --input --output --help --version
expect "velmor encrypt -w 20 -i letter.txt -" -n --passes -o --output --password-file --password-env -h --help --version
expect "velmor encrypt -w4 -n3 -" -i --input -o --output --password-file --password-env -h --help --version
expect "velmor -w "
expect "velmor --wheels=2"
expect "velmor -w 4 "
expect "velmor encrypt -- "
expect "velmor encrypt -i letter.txt -- -"
expect "velmor -- "
expect "velmor decrypt --password-env VELMOR_KEY_FOR_TE" VELMOR_KEY_FOR_TESTS
expect "velmor wheels " -h --help --version
expect "velmor encrypt -o notes/"
exit "$failed"
