#!/usr/bin/env bash
# Vipu32's greeting on a real display (Xvfb), answered with the keyboard: No, Yes, then OK.
#   BACKEND=posix|wine RESULTS=folder tests/e2e/greeting.sh
source "$(dirname "$0")/harness.sh"

if ! command -v Xvfb >/dev/null || ! command -v xdotool >/dev/null; then
  echo "$BACKEND: greeting skipped: no Xvfb or xdotool"
  exit 0
fi
display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 800x600x24 >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; rm -rf "$WORK"' EXIT
export DISPLAY=$display

# Waits for the box with this title and types a key into it; there is no window manager to
# activate it, so the key goes through the input focus.
answer() {
  local window="" tries=0
  while [ -z "$window" ] && [ $tries -lt 150 ]; do
    window=$(xdotool search --name "$1" 2>/dev/null | head -1)
    sleep 0.1
    tries=$((tries + 1))
  done
  [ -n "$window" ] || { fail "no box titled $1"; return; }
  sleep 0.5
  xdotool windowfocus --sync "$window" key "$2"
  # The box must be gone before the next one with the same title is looked for.
  while xdotool search --name "$1" >/dev/null 2>&1 && [ $tries -lt 300 ]; do
    sleep 0.1
    tries=$((tries + 1))
  done
}

if [ "$BACKEND" = wine ]; then no=n yes=y; else no=Escape yes=Return; fi

scenario greeting_answered_no_then_yes
# The run waits on the boxes: it goes to the background and reports its status through a file.
(run Vipu32; echo "$RC" >"$WORK/status") &
runner=$!
answer 'Zippidii!' "$no"
answer 'Zippidii!' "$yes"
answer 'Wiih!' Return
wait $runner
RC=$(cat "$WORK/status")
TRACE=$(normalise <"$WORK/err")
expect "exit status" "$RC" 0
expect "asked twice, closed once" "$TRACE" 'MessageBoxA(0, "Onko Vekkula paras lehti?", "Zippidii!", 36) = 7
MessageBoxA(0, "Onko Vekkula paras lehti?", "Zippidii!", 36) = 6
MessageBoxA(0, "Niin on. Noudata siis lehden ohjeita!", "Wiih!", 64) = 1'

finish
