#!/usr/bin/env bash
# Black-box run of the built program against the demo world, driven as a person would:
# clicks at the laid-out places and keys for the message boxes, on a private Xvfb. It backs
# up the default map, chooses a map, downloads it from the demo's nginx, installs it and
# restores the default, checking the game folder on disk after each step, and saves a
# screenshot of each window along the way.
#   blackbox_gui.sh TERRAVANE_BINARY ARTIFACT_DIR
set -euo pipefail

binary=$1
art=$2
repo=$(cd "$(dirname "$0")/../.." && pwd)
tmp=$(mktemp -d)
world=$tmp/world
pid="" xvfb=""
mkdir -p "$art"
rm -f "$art"/*.png

cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null || true
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true
  "$repo/scripts/demo-world" stop "$world" >/dev/null 2>&1 || true
  rm -rf "$tmp"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*" >&2
  [ -n "${DISPLAY:-}" ] && import -window root "$art/failure-screen.png" 2>/dev/null || true
  [ -f "$tmp/terravane.log" ] && sed 's/^/terravane: /' "$tmp/terravane.log" >&2
  exit 1
}
step() { echo "== $*"; }

# Runs "$@" until it succeeds, for up to $timeout seconds.
timeout=30
until_ok() {
  local end=$((SECONDS + timeout))
  until "$@" >/dev/null 2>&1; do
    [ $SECONDS -lt $end ] || return 1
    sleep 0.1
  done
}

# The first visible window of the program whose title matches the regular expression $1.
# (xdotool's own name search misses titles with Chinese in them.)
window() {
  local w
  for w in $(xdotool search --onlyvisible --pid "$pid" 2>/dev/null); do
    [[ "$(xdotool getwindowname "$w" 2>/dev/null)" =~ $1 ]] && { echo "$w"; return; }
  done
  true
}
shown() { [ -n "$(window "$1")" ]; }
hidden() { [ -z "$(window "$1")" ]; }
click() {
  xdotool mousemove --window "$1" "$2" "$3" click 1
  sleep 0.3
}
shot() { import -window "$1" "$art/$2.png"; }
same() { cmp -s "$1" "$2"; }

main_title='^Terravane  Yelmora'
download_title='^Yelmora-'
done_title='温馨提示'

step "demo world and pack server on ${TERRAVANE_PACK_SERVER:-127.0.0.1:8765}"
"$repo/scripts/demo-world" prepare "$world" >/dev/null
"$repo/scripts/demo-world" serve "$world"
game="$world/wine/drive_c/Program Files/腾讯游戏/英雄联盟/Game"
cp "$game/Map1.zip" "$tmp/Map1.orig.zip"

# The program runs from a folder of its own so that its pack folder is private.
mkdir -p "$tmp/bin" "$tmp/path"
cp "$binary" "$tmp/bin/terravane"
packs="$tmp/bin/地图包"
# The browser: fetches the page it is given, as a browser would.
printf '#!/bin/sh\ncurl -fs "$1" > "%s/forum.html"\n' "$tmp" > "$tmp/path/xdg-open"
chmod +x "$tmp/path/xdg-open"

step "private X display"
exec 3> "$tmp/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 2>"$tmp/xvfb.log" &
xvfb=$!
exec 3>&-
until_ok test -s "$tmp/display" || fail "Xvfb did not start"
export DISPLAY=":$(head -1 "$tmp/display")"

step "start"
PATH="$tmp/path:$PATH" WINEPREFIX="$world/wine" "$tmp/bin/terravane" >"$tmp/terravane.log" 2>&1 &
pid=$!
until_ok shown "$main_title" || fail "the main window did not appear"
main=$(window "$main_title")
sleep 0.5
shot "$main" 01-main-at-start
[ -d "$packs" ] || fail "the pack folder was not made"
until_ok grep -q Terravane "$tmp/forum.html" || fail "the forum page was not opened"
hidden "$download_title" || fail "the download window is visible at start"

step "back up the default map (action button)"
click "$main" 378 272
until_ok test -f "$packs/默认地图备份.zip" || fail "no default-map backup was written"
until_ok test -f "$packs/LEVELS.zip" || fail "no LEVELS backup was written"
unzip -l "$packs/默认地图备份.zip" | grep -q ' Map1.zip$' || fail "the backup does not hold Map1.zip"
unzip -l "$packs/LEVELS.zip" | grep -q 'Map1/Scene/terrain.dds' || fail "the LEVELS backup misses files"
sleep 0.3
shot "$main" 02-main-after-backup

step "choose AREA63 and open the download window"
click "$main" 221 60
sleep 0.3
shot "$main" 03-main-AREA63-chosen
click "$main" 378 272
until_ok shown "$download_title" || fail "the download window did not appear"
until_ok hidden "$main_title" || fail "the main window stayed visible"
download=$(window "$download_title")
shot "$download" 04-download-window

step "download"
click "$download" 364 21
until_ok test -f "$packs/AREA63.zip!BT" || fail "the download did not start"
sleep 1.5
shot "$download" 05-download-in-progress
timeout=90 until_ok shown "$done_title" || fail "no completion message"
box=$(window "$done_title")
shot "$box" 06-download-complete-box
hidden "$download_title" || fail "the download window is still visible under the completion box"
hidden "$main_title" || fail "the main window came back before the box was closed"
xdotool windowfocus --sync "$box" key Return
until_ok shown "$main_title" || fail "the main window did not come back"
same "$packs/AREA63.zip" "$world/www/terravane/Map8.zip" || fail "the downloaded pack differs from the server's"
compgen -G "$packs/AREA63.zip!BT*" >/dev/null && fail "partial or task files were left"

step "install AREA63"
click "$main" 221 60
click "$main" 378 272
until_ok grep -q 'AREA63 map pack' "$game/LEVELS/Map1/info.txt" || fail "the pack was not installed"
unzip -p "$packs/AREA63.zip" Map1.zip > "$tmp/Map1.pack.zip"
same "$game/Map1.zip" "$tmp/Map1.pack.zip" || fail "Map1.zip was not replaced by the pack's"
[ -f "$game/LEVELS/Map1/AREA63.txt" ] || fail "the pack's new file is missing"
[ "$(cat "$game/LEVELS/Map3/info.txt")" = "Twisted Treeline, default" ] || fail "a file the pack lacks was touched"
sleep 0.3
shot "$main" 07-main-after-install

step "restore the default map"
click "$main" 45 20
click "$main" 378 272
until_ok same "$game/Map1.zip" "$tmp/Map1.orig.zip" || fail "Map1.zip was not restored"
until_ok grep -q 'default' "$game/LEVELS/Map1/info.txt" || fail "LEVELS was not restored"
[ "$(cat "$game/LEVELS/Map1/Scene/terrain.dds")" = "default terrain" ] || fail "terrain.dds was not restored"
[ -f "$game/LEVELS/Map1/AREA63.txt" ] || fail "the restore removed a file the pack added"
sleep 0.3
shot "$main" 08-main-after-restore

step "close the main window"
python3 - "$main" <<'PY'
# Sends the close request a window manager would send (WM_DELETE_WINDOW).
import ctypes, sys
x = ctypes.cdll.LoadLibrary("libX11.so.6")
x.XOpenDisplay.restype = ctypes.c_void_p
x.XInternAtom.restype = ctypes.c_ulong
x.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
x.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long, ctypes.c_void_p]
x.XFlush.argtypes = [ctypes.c_void_p]
class ClientMessage(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                ("format", ctypes.c_int), ("data", ctypes.c_long * 5)]
class Event(ctypes.Union):
    _fields_ = [("xclient", ClientMessage), ("pad", ctypes.c_long * 24)]
display = x.XOpenDisplay(None)
event = Event()
event.xclient.type = 33
event.xclient.window = int(sys.argv[1])
event.xclient.message_type = x.XInternAtom(display, b"WM_PROTOCOLS", 0)
event.xclient.format = 32
event.xclient.data[0] = x.XInternAtom(display, b"WM_DELETE_WINDOW", 0)
x.XSendEvent(display, int(sys.argv[1]), 0, 0, ctypes.byref(event))
x.XFlush(display)
PY
until_ok bash -c "! kill -0 $pid" || fail "the program did not end on close"
status=0
wait "$pid" || status=$?
pid=""
[ "$status" -eq 0 ] || fail "the program ended with status $status"
echo "PASS: screenshots in $art"
