#!/usr/bin/env bash
# End to end: the real player, built with the debug trace on, plays a 3-slide local
# presentation under a virtual X display to its end slide; Escape then ends it.
# Usage: e2e_play.sh ZENTIL MAKE_SHOW WORKDIR
set -euo pipefail
inside=0
if [ "${1:-}" = --inside-display ]; then inside=1; shift; fi
zentil=$1
make_show=$2
work=$3
# The show must not live in the system temporary folder: scripts found there count as browser
# downloads and are moved into the cache.
show=$work/show
export ZENTIL_HOME=$work/home

run_under_display() {
  local log=$work/player.log trace=$ZENTIL_HOME/temp/ztdebug.txt
  # The player starts once the virtual display accepts clients.
  local ready=0
  for _ in $(seq 100); do xdotool getdisplaygeometry >/dev/null 2>&1 && { ready=1; break; }; sleep 0.1; done
  [ "$ready" = 1 ] || { echo "the virtual display $DISPLAY accepts no clients"; return 1; }
  "$zentil" "$show/e2e.zentil" >"$log" 2>&1 &
  local pid=$!
  # The trace build first shows the script path in a message box; confirm it.
  local box=""
  for _ in $(seq 100); do
    box=$(xdotool search --onlyvisible --name '^DownloadScriptName$' 2>/dev/null | head -n 1) && [ -n "$box" ] && break
    sleep 0.1
  done
  [ -n "$box" ] || { echo "no start-up message box"; kill "$pid"; return 1; }
  xdotool windowfocus --sync "$box" key Return
  # Wait for the end slide: three 1-second narrations and the 3-second pause.
  for _ in $(seq 300); do
    grep -q 'ShowDefaultSlide - SlideType = end' "$trace" 2>/dev/null && break
    kill -0 "$pid" 2>/dev/null || { echo "player ended early"; cat "$log"; return 1; }
    sleep 0.1
  done
  grep -q 'ShowDefaultSlide - SlideType = end' "$trace" || { echo "no end slide"; cat "$trace"; kill "$pid"; return 1; }
  local win
  win=$(xdotool search --onlyvisible --name '^Zentil$' | head -n 1)
  xdotool windowfocus --sync "$win" key Escape
  local code=0
  wait "$pid" || code=$?
  echo "exit code $code"
  return "$code"
}
if [ "$inside" = 1 ]; then
  run_under_display
  exit $?
fi

rm -rf "$work"
mkdir -p "$work"
"$make_show" "$show"
# A display number of its own picked at random: two test runs on one machine do not race for :99.
xvfb-run -a -n "$((100 + RANDOM % 800))" -s "-screen 0 1024x768x24" "$0" --inside-display "$zentil" "$make_show" "$work"

trace=$ZENTIL_HOME/temp/ztdebug.txt
fail() { echo "FAIL: $*"; exit 1; }
for n in 1 2 3; do
  grep -q "Enter:  ShowSlide - NewSlideIndex = $n" "$trace" || fail "slide $n was not shown"
done
grep -q 'Splash.Form_Unload' "$trace" || fail "the shut-down sequence did not run"
# Left on the end slide: no quit point remains, the presentation starts from its beginning.
[ -z "$(ls -A "$ZENTIL_HOME/quitpoints")" ] || fail "a quit point was left: $(ls "$ZENTIL_HOME/quitpoints")"
# The temporary folder keeps only the debug files.
leftover=$(ls -A "$ZENTIL_HOME/temp" | grep -v -E 'ztdebug.txt|slidestructure.txt' || true)
[ -z "$leftover" ] || fail "temporary files left: $leftover"
echo "PASS"
