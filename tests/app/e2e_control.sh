#!/usr/bin/env bash
# End to end: the real player, built with the debug trace on, under a virtual X display. Keys
# sent with xdotool step through a 3-slide show: the preview frame appears at the right with the
# chosen slide's thumbnail, the choice is played after the quiet period, Space pauses with the
# pause symbol, Escape leaves a quit point. Screenshots of the whole display confirm what the
# viewer sees.
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

# "r,g,b" of one pixel of a screenshot.
pixel() {
  convert "$1" -format "%[fx:int(255*p{$2,$3}.r)],%[fx:int(255*p{$2,$3}.g)],%[fx:int(255*p{$2,$3}.b)]" info:
}
# Each channel within 12 of the expected value (the thumbnail is a JPEG, the picture scaled).
near() {
  local IFS=,
  read -r r g b <<<"$1"
  read -r er eg eb <<<"$2"
  for d in $((r - er)) $((g - eg)) $((b - eb)); do
    [ "${d#-}" -le 12 ] || return 1
  done
}
expect_pixel() { # shot x y r,g,b what
  local got
  got=$(pixel "$1" "$2" "$3")
  near "$got" "$4" || fail "$5: pixel $2,$3 is $got, expected $4"
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

  # Right keeps coming every 100 ms, so the preview stays up (at slide 3, the last one) while
  # the screen is taken.
  xdotool key --delay 100 --repeat 30 Right &
  local keys=$!
  sleep 1.2
  import -window root "$work/preview.png"
  wait "$keys"
  wait_trace 'HeartbeatTimer: NewSlideNumber = 3' 10
  wait_trace 'ShowSlide - NewSlideIndex = 3' 10

  xdotool key space
  wait_trace 'ShowPauseImage' 5
  sleep 0.5
  import -window root "$work/pause.png"

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

# The 800×600 picture fills the 1024×768 screen: every picture coordinate times 1.28.
s() { echo $(( ($1 * 128 + 64) / 100 )); }
shot=$work/preview.png
expect_pixel "$shot" "$(s 400)" "$(s 300)" 192,0,0 "slide 1 stays on screen while choosing"
expect_pixel "$shot" "$(s 592)" "$(s 300)" 128,128,255 "preview frame"
expect_pixel "$shot" "$(s 677)" "$(s 292)" 0,0,192 "slide 3's thumbnail in the frame"
expect_pixel "$shot" "$(s 580)" "$(s 300)" 192,0,0 "left of the frame"
shot=$work/pause.png
expect_pixel "$shot" "$(s 400)" "$(s 300)" 0,0,192 "slide 3 plays"
expect_pixel "$shot" "$(s 729)" "$(s 300)" 255,255,255 "first bar of the pause symbol"
expect_pixel "$shot" "$(s 741)" "$(s 300)" 255,255,255 "second bar of the pause symbol"
expect_pixel "$shot" "$(s 736)" "$(s 300)" 128,128,255 "between the bars"
expect_pixel "$shot" "$(s 700)" "$(s 300)" 0,0,192 "left of the pause symbol"

grep -q 'ShowThumbnailImage - ThumbnailSlideNumber = 3' "$trace" || fail "slide 3's preview was not shown"
grep -q 'Splash.Form_Unload' "$trace" || fail "the shut-down sequence did not run"
quit=$ZENTIL_HOME/quitpoints/control.txt
[ -f "$quit" ] && grep -q '^3 ' "$quit" || fail "no quit point at slide 3"
echo "PASS"
