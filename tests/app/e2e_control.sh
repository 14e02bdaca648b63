#!/usr/bin/env bash
# End to end: the real player, built with the debug trace on, under a virtual X display. Keys
# sent with xdotool step through a 3-slide show: held Right chooses the last slide, which plays
# after the quiet period; Space pauses; Escape ends the player cleanly.
# Usage: e2e_control.sh ZENTIL WORKDIR
set -euo pipefail
inside=0
if [ "${1:-}" = --inside-display ]; then inside=1; shift; fi
zentil=$1
work=$2
# Not under the system temporary folder: a script found there counts as a browser download.
show=$work/show
export ZENTIL_HOME=$work/home
trace=$ZENTIL_HOME/temp/ztdebug.txt

fail() { echo "FAIL: $*"; exit 1; }

# Three slides (red, green, blue) with 20-second silent narrations, and their thumbnails.
make_show() {
  mkdir -p "$show/resources" "$show/thumbnails"
  python3 - "$show/resources" <<'PY'
import sys, wave
for n in (1, 2, 3):
    with wave.open(f"{sys.argv[1]}/n{n}.wav", "wb") as w:
        w.setnchannels(1); w.setsampwidth(2); w.setframerate(8000)
        w.writeframes(b"\0\0" * 8000 * 20)
PY
  local colours=('#C00000' '#00A000' '#0000C0')
  {
    echo "/name {control.zentil}"
    echo "%resource"
    echo "/resource {n1.wav n2.wav n3.wav}"
    for n in 1 2 3; do
      echo "%slide"
      echo "/play {n$n.wav}"
      echo "/box {0 0 800 600 fill ${colours[n - 1]} penwidth 0}"
      echo "%endslide"
      convert -size 160x120 "xc:${colours[n - 1]}" -quality 95 "$show/thumbnails/thumbnail00$n.jpg"
    done
  } | sed 's/$/\r/' >"$show/control.zentil"
}

wait_trace() { # pattern seconds
  for _ in $(seq $(($2 * 10))); do
    grep -q "$1" "$trace" 2>/dev/null && return 0
    sleep 0.1
  done
  fail "no trace line '$1'"
}

run_under_display() {
  "$zentil" "$show/control.zentil" >"$work/player.log" 2>&1 &
  local pid=$!
  # The trace build first shows the script path in a message box; confirm it.
  local box=""
  for _ in $(seq 100); do
    box=$(xdotool search --onlyvisible --name '^DownloadScriptName$' 2>/dev/null | head -n 1) && [ -n "$box" ] && break
    sleep 0.1
  done
  [ -n "$box" ] || { kill "$pid"; fail "no start-up message box"; }
  xdotool windowfocus --sync "$box" key Return
  wait_trace 'ShowSlide - NewSlideIndex = 1' 20
  local win
  win=$(xdotool search --onlyvisible --name '^Zentil$' | head -n 1)
  xdotool windowfocus --sync "$win"
  sleep 0.5

  # Right keeps coming every 100 ms, so the choice stays open until the last slide is reached.
  xdotool key --delay 100 --repeat 30 Right
  wait_trace 'HeartbeatTimer: NewSlideNumber = 3' 10
  wait_trace 'ShowSlide - NewSlideIndex = 3' 10

  xdotool key space
  wait_trace 'ShowPauseImage' 5

  xdotool key Escape
  local code=0
  wait "$pid" || code=$?
  [ "$code" = 0 ] || { cat "$work/player.log"; fail "exit code $code"; }
}

if [ "$inside" = 1 ]; then
  run_under_display
  exit $?
fi

rm -rf "$work"
mkdir -p "$work"
make_show
xvfb-run -a -s "-screen 0 1024x768x24" "$0" --inside-display "$zentil" "$work"
