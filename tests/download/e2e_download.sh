#!/usr/bin/env bash
# End to end: a 3-slide show published on a real web server (python3 -m http.server). The real
# player, built with the debug trace on, runs under a virtual X display twice:
#   1. with only the script, left where a browser leaves a download (a "mozilla_" folder in the
#      temporary folder): it fetches every resource, plays to the end slide, Escape ends it;
#   2. with the script's web address: it fetches the script again but no resource twice.
# The cache then holds every resource, byte-identical to the server's.
# Usage: e2e_download.sh ZENTIL MAKE_SHOW WORKDIR
set -euo pipefail
inside=0
if [ "${1:-}" = --inside-display ]; then inside=1; shift; fi
zentil=$1
make_show=$2
work=$3
site=$work/site
export ZENTIL_HOME=$work/home
port_file=$work/port

# Runs the player on one argument to its end slide, then presses Escape.
play_to_end() {
  local argument=$1 log=$work/player.log trace=$ZENTIL_HOME/temp/ztdebug.txt
  rm -f "$trace"
  # The player starts once the virtual display accepts clients.
  local ready=0
  for _ in $(seq 100); do xdotool getdisplaygeometry >/dev/null 2>&1 && { ready=1; break; }; sleep 0.1; done
  [ "$ready" = 1 ] || { echo "the virtual display $DISPLAY accepts no clients"; return 1; }
  "$zentil" "$argument" >"$log" 2>&1 &
  local pid=$!
  local box=""
  for _ in $(seq 100); do
    box=$(xdotool search --onlyvisible --name '^DownloadScriptName$' 2>/dev/null | head -n 1) && [ -n "$box" ] && break
    sleep 0.1
  done
  [ -n "$box" ] || { echo "no start-up message box"; kill "$pid"; return 1; }
  xdotool windowfocus --sync "$box" key Return
  for _ in $(seq 400); do
    grep -q 'ShowDefaultSlide - SlideType = end' "$trace" 2>/dev/null && break
    kill -0 "$pid" 2>/dev/null || { echo "player ended early"; cat "$log"; return 1; }
    sleep 0.1
  done
  grep -q 'ShowDefaultSlide - SlideType = end' "$trace" || { echo "no end slide"; cat "$log" "$trace"; kill "$pid"; return 1; }
  for n in 1 2 3; do
    grep -q "Enter:  ShowSlide - NewSlideIndex = $n" "$trace" || { echo "slide $n was not shown"; kill "$pid"; return 1; }
  done
  local win
  win=$(xdotool search --onlyvisible --name '^Zentil$' | head -n 1)
  xdotool windowfocus --sync "$win" key Escape
  local code=0
  wait "$pid" || code=$?
  [ "$code" = 0 ] || { echo "exit code $code"; cat "$log"; return 1; }
}

if [ "$inside" = 1 ]; then
  port=$(cat "$port_file")
  browser=$(mktemp -d "${TMPDIR:-/tmp}/mozilla_zentilXXXXXX")
  cp "$site/e2e.zentil" "$browser/e2e.zentil"
  play_to_end "$browser/e2e.zentil" || { rm -rf "$browser"; exit 1; }
  [ ! -e "$browser/e2e.zentil" ] || { echo "FAIL: the browser's copy was left"; rm -rf "$browser"; exit 1; }
  rm -rf "$browser"
  echo "first run done" >>"$work/server.log"
  play_to_end "http://127.0.0.1:$port/e2e.zentil"
  exit $?
fi

rm -rf "$work"
mkdir -p "$work"
port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
echo "$port" >"$port_file"
"$make_show" "$site" "http://127.0.0.1:$port/resources/"
python3 -m http.server "$port" --bind 127.0.0.1 --directory "$site" >>"$work/server.log" 2>&1 &
server=$!
trap 'kill "$server" 2>/dev/null || true' EXIT
for _ in $(seq 100); do
  curl -s -o /dev/null "http://127.0.0.1:$port/e2e.zentil" && break
  sleep 0.1
done
# The player must see a copy without resources beside it: the served folder is not opened.
# A display number of its own picked at random: two test runs on one machine do not race for :99.
xvfb-run -a -n "$((100 + RANDOM % 800))" -s "-screen 0 1024x768x24" "$0" --inside-display "$zentil" "$make_show" "$work"

fail() { echo "FAIL: $*"; exit 1; }
cache=$ZENTIL_HOME/cache/e2e
for n in 1 2 3; do
  cmp "$site/resources/slide$n.ogg" "$cache/resources/slide$n.ogg" || fail "slide$n.ogg differs or is missing in the cache"
done
first=$(sed -n '1,/first run done/p' "$work/server.log")
second=$(sed -n '/first run done/,$p' "$work/server.log")
for n in 1 2 3; do
  echo "$first" | grep -q "GET /resources/slide$n.ogg HTTP/1.1\" 200" || fail "slide$n.ogg was not fetched on the first run"
done
echo "$second" | grep -q 'GET /e2e.zentil' || fail "the second run did not fetch the script"
if echo "$second" | grep -q 'GET /resources/'; then fail "the second run fetched resources again"; fi
leftover=$(ls -A "$ZENTIL_HOME/temp" | grep -v -E 'ztdebug.txt|slidestructure.txt' || true)
[ -z "$leftover" ] || fail "temporary files left: $leftover"
partial=$(find "$cache/resources" -name '*.*.*' | grep -v -E '/slide[123]\.ogg$' || true)
[ -z "$partial" ] || fail "partial files in the cache: $partial"
echo "PASS"
