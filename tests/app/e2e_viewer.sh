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
  printf '%s\r\n' "/name {viewer.zentil}" "%resource" "/resource {n1.wav n2.wav n3.wav glass.png}" \
    "%slide" "/play {n1.wav}" "/box {0 0 800 600 fill 0 0 0 blend 100 100 100 penwidth 0}" \
    "/image {300 200 glass.png}" "%slide" "/play {n2.wav}" "/box {0 0 800 600 fill #00A000 penwidth 0}" \
    "%slide" "/play {n3.wav}" "/box {0 0 800 600 fill #0000C0 penwidth 0}" "%endslide" >"$show/viewer.zentil"
}

rgb() { convert "$1" -format "%[fx:int(255*p{$2,$3}.r+0.5)],%[fx:int(255*p{$2,$3}.g+0.5)],%[fx:int(255*p{$2,$3}.b+0.5)]" info:; }
grey() { local v; v=$(rgb "$@"); echo "${v%%,*}"; }
# The slide is 1440×1080 in the middle of the screen: picture coordinates × 1.8, plus 240 across.
x() { echo $(( ($1 * 18 + 5) / 10 + 240 )); }
y() { echo $(( ($1 * 18 + 5) / 10 )); }
find_window() { # name tenths-of-a-second
  local w
  for _ in $(seq "$2"); do
    w=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1) && [ -n "$w" ] && { echo "$w"; return 0; }
    sleep 0.1
  done
  return 1
}
# Takes screenshots (NAME.png) until pixel X,Y is "r,g,b", for up to 20 s.
wait_shot() { # name x y r,g,b
  for _ in $(seq 40); do
    import -window root "$work/$1.png"
    [ "$(rgb "$work/$1.png" "$2" "$3")" = "$4" ] && return 0
    sleep 0.5
  done
  fail "$1: pixel $2,$3 is $(rgb "$work/$1.png" "$2" "$3"), expected $4"
}

run_under_display() {
  # The player starts once the virtual display accepts clients.
  local ready=0
  for _ in $(seq 100); do xdotool getdisplaygeometry >/dev/null 2>&1 && { ready=1; break; }; sleep 0.1; done
  [ "$ready" = 1 ] || { echo "the virtual display $DISPLAY accepts no clients"; return 1; }
  "$zentil" "$show/viewer.zentil" >"$work/player.log" 2>&1 &
  local pid=$! win="" help box
  # A player built with the debug trace first shows the script path in a message box: confirm it.
  for _ in $(seq 300); do
    box=$(xdotool search --onlyvisible --name '^DownloadScriptName$' 2>/dev/null | head -n 1) || true
    [ -n "$box" ] && xdotool windowfocus --sync "$box" key Return
    win=$(xdotool search --onlyvisible --name '^Zentil$' 2>/dev/null | head -n 1) || true
    [ -n "$win" ] && break
    sleep 0.1
  done
  [ -n "$win" ] || { kill "$pid"; fail "no player window"; }
  xdotool windowfocus --sync "$win"
  # Slide 1 is on screen once the top of its gradient is white.
  wait_shot first "$(x 10)" "$(y 0)" 255,255,255

  xdotool key F1
  help=$(find_window 'Zentil Player Help' 100) || { kill "$pid"; fail "F1 did not open the help"; }
  xdotool windowunmap "$help"
  xdotool windowfocus --sync "$win"

  xdotool key b
  wait_shot blank "$(x 10)" "$(y 0)" 0,0,0
  xdotool key b
  wait_shot back "$(x 10)" "$(y 0)" 255,255,255

  xdotool mousemove 960 540 click 5
  wait_shot wheel 960 540 0,160,0

  xdotool key f
  for _ in $(seq 40); do
    xdotool getwindowgeometry "$win" >"$work/window.txt"
    grep -q 'Geometry: 960x720' "$work/window.txt" && break
    sleep 0.5
  done
  wait_shot window 960 540 0,160,0

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
# A display number of its own picked at random: two test runs on one machine do not race for :99.
xvfb-run -a -n "$((100 + RANDOM % 800))" -s "-screen 0 1920x1080x24" "$0" --inside-display "$zentil" "$work"

# Half-transparent white over the gradient: halfway between the gradient and white. Outside the
# picture, at the same height, the gradient itself.
under=$(grey "$work/first.png" "$(x 250)" "$(y 300)")
over=$(grey "$work/first.png" "$(x 400)" "$(y 300)")
expected=$(( (under + 255) / 2 ))
[ $(( over - expected )) -le 3 ] && [ $(( expected - over )) -le 3 ] \
  || fail "the PNG over the gradient is $over, expected about $expected (gradient $under)"
[ "$(rgb "$work/first.png" 100 540)" = 0,0,0 ] || fail "no black bar left of the slide"
for at in "960 540" "1600 1000"; do
  # shellcheck disable=SC2086
  [ "$(rgb "$work/blank.png" $at)" = 0,0,0 ] || fail "B did not blank the screen at $at"
done
[ "$(grey "$work/back.png" "$(x 400)" "$(y 300)")" = "$over" ] || fail "B again did not bring the slide back"
grep -q 'Geometry: 960x720' "$work/window.txt" || fail "F did not make a 960x720 window: $(cat "$work/window.txt")"
echo "PASS"
