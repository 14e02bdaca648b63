#!/usr/bin/env bash
# End to end at 1920×1080: the real player under a virtual X display, driven with xdotool and
# checked on screenshots of the whole display. A PNG with transparency over a gradient is drawn
# at the screen's resolution; F1 opens the help; B blanks the screen and B again returns; the
# wheel steps to the next slide; F turns full screen into a window of the slide's aspect.
# Usage: e2e_viewer.sh ZENTIL WORKDIR
set -euo pipefail
inside=0
if [ "${1:-}" = --inside-display ]; then inside=1; shift; fi
zentil=$1
work=$2
show=$work/show
export ZENTIL_HOME=$work/home

fail() { echo "FAIL: $*"; exit 1; }

# Slide 1: a grey gradient with a half-transparent white square; slide 2 green, slide 3 blue.
make_show() {
  mkdir -p "$show/resources"
  python3 - "$show/resources" <<'PY'
import sys, wave
for n in (1, 2, 3):
    with wave.open(f"{sys.argv[1]}/n{n}.wav", "wb") as w:
        w.setnchannels(1); w.setsampwidth(2); w.setframerate(8000)
        w.writeframes(b"\0\0" * 8000 * 30)
PY
  convert -size 200x200 'xc:rgba(255,255,255,0.5)' "PNG32:$show/resources/glass.png"
  {
    echo "/name {viewer.zentil}"
    echo "%resource"
    echo "/resource {n1.wav n2.wav n3.wav glass.png}"
    echo "%slide"
    echo "/play {n1.wav}"
    echo "/box {0 0 800 600 fill 0 0 0 blend 100 100 100 penwidth 0}"
    echo "/image {300 200 glass.png}"
    echo "%slide"
    echo "/play {n2.wav}"
    echo "/box {0 0 800 600 fill #00A000 penwidth 0}"
    echo "%slide"
    echo "/play {n3.wav}"
    echo "/box {0 0 800 600 fill #0000C0 penwidth 0}"
    echo "%endslide"
  } | sed 's/$/\r/' >"$show/viewer.zentil"
}

grey() { # shot x y → the red channel
  convert "$1" -format "%[fx:int(255*p{$2,$3}.r+0.5)]" info:
}
rgb() {
  convert "$1" -format "%[fx:int(255*p{$2,$3}.r+0.5)],%[fx:int(255*p{$2,$3}.g+0.5)],%[fx:int(255*p{$2,$3}.b+0.5)]" info:
}
shot() { sleep "${2:-0.6}"; import -window root "$work/$1.png"; }

run_under_display() {
  "$zentil" "$show/viewer.zentil" >"$work/player.log" 2>&1 &
  local pid=$!
  local win=""
  for _ in $(seq 100); do
    win=$(xdotool search --onlyvisible --name '^Zentil$' 2>/dev/null | head -n 1) && [ -n "$win" ] && break
    sleep 0.1
  done
  [ -n "$win" ] || { kill "$pid"; fail "no player window"; }
  xdotool windowfocus --sync "$win"
  shot first 2

  xdotool key F1
  local help=""
  for _ in $(seq 30); do
    help=$(xdotool search --onlyvisible --name 'Zentil Player Help' 2>/dev/null | head -n 1) && [ -n "$help" ] && break
    sleep 0.1
  done
  [ -n "$help" ] || { kill "$pid"; fail "F1 did not open the help"; }
  xdotool windowclose "$help" 2>/dev/null || xdotool windowunmap "$help"
  xdotool windowfocus --sync "$win"

  xdotool key b
  shot blank
  xdotool key b
  shot back

  xdotool mousemove 960 540 click 5
  shot wheel 2.5

  xdotool key f
  sleep 1
  xdotool getwindowgeometry "$win" >"$work/window.txt"
  shot window

  xdotool key q
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
xvfb-run -a -s "-screen 0 1920x1080x24" "$0" --inside-display "$zentil" "$work"

# The slide is 1440×1080 in the middle of the 1920×1080 screen: picture coordinates × 1.8 + 240.
x() { echo $(( ($1 * 18 + 5) / 10 + 240 )); }
y() { echo $(( ($1 * 18 + 5) / 10 )); }
# Half-transparent white over the gradient: halfway between the gradient and white. Outside the
# picture, at the same height, the gradient itself.
under=$(grey "$work/first.png" "$(x 250)" "$(y 300)")
over=$(grey "$work/first.png" "$(x 400)" "$(y 300)")
expected=$(( (under + 255) / 2 ))
[ $(( over - expected )) -le 3 ] && [ $(( expected - over )) -le 3 ] \
  || fail "the PNG over the gradient is $over, expected about $expected (gradient $under)"
[ "$(rgb "$work/first.png" 100 540)" = 0,0,0 ] || fail "no black bar left of the slide"
for at in "960 540" "300 100" "1600 1000"; do
  # shellcheck disable=SC2086
  [ "$(rgb "$work/blank.png" $at)" = 0,0,0 ] || fail "B did not blank the screen at $at"
done
[ "$(grey "$work/back.png" "$(x 400)" "$(y 300)")" = "$over" ] || fail "B again did not bring the slide back"
[ "$(rgb "$work/wheel.png" 960 540)" = 0,160,0 ] || fail "the wheel did not step to slide 2"
grep -q 'Geometry: 960x720' "$work/window.txt" || fail "F did not make a 960x720 window: $(cat "$work/window.txt")"
[ "$(rgb "$work/window.png" 960 540)" = 0,160,0 ] || fail "the window does not show the slide"
echo "PASS"
