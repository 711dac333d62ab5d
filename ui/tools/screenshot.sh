#!/bin/sh
# SPDX-License-Identifier: MIT
# Starts the window on a virtual screen, types a text and a password, runs
# "Encrypt 3" from the menu and saves a picture of the whole screen.
# Usage: screenshot.sh PROGRAM OUTPUT.png
set -eu
program=$1
output=$2

# The first display number from SCREENSHOT_DISPLAY (90 unless given) that no
# X server holds.
number=${SCREENSHOT_DISPLAY:-90}
while [ -e "/tmp/.X11-unix/X$number" ] || [ -e "/tmp/.X$number-lock" ]; do number=$((number + 1)); done
export DISPLAY=":$number"

pids=""
cleanup() { for pid in $pids; do kill "$pid" 2>/dev/null || true; done; }
trap cleanup EXIT INT TERM

Xvfb "$DISPLAY" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
pids="$!"
tries=0
until xdotool getdisplaygeometry >/dev/null 2>&1; do
    tries=$((tries + 1))
    [ "$tries" -lt 100 ] || { echo "Xvfb did not start" >&2; exit 1; }
    sleep 0.1
done
openbox >/dev/null 2>&1 &
pids="$! $pids"
sleep 1

started=$(date +%s%N)
QT_QPA_PLATFORM=xcb "$program" &
pids="$! $pids"
# xdotool's own --sync waits half a second between looks.
until window=$(xdotool search --onlyvisible --name "The Velmor Machine" 2>/dev/null | head -n 1) && [ -n "$window" ]; do
    [ $(( $(date +%s%N) - started )) -lt 30000000000 ] || { echo "the window did not appear" >&2; exit 1; }
    sleep 0.01
done
shown=$(date +%s%N)
echo "window shown $(( (shown - started) / 1000000 )) ms after the program started"

xdotool windowactivate --sync "$window"
sleep 0.5
xdotool type --delay 30 'Attack at dawn'
xdotool key Return
xdotool type --delay 30 'Bring "maps" & 5 lanterns.'
xdotool key Tab Tab
xdotool type --delay 30 'Velmor'

# The menu bar's second title, "Encrypt/Decrypt"; then its second item.
xdotool mousemove --window "$window" 90 10 click 1
sleep 0.5
xdotool key Down Down Return
sleep 1

import -window root "$output"
echo "wrote $output"
