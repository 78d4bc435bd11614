#!/usr/bin/env bash
# Archive benchmark: MakeZip against `zip -r -q -6` and ExtractZip against `unzip -q -o` on
# a synthetic game folder (about 2,000 files, 200 MB of mixed content). Prints the median
# of RUNS timed runs of each and the ratio ours / peer (goal: at most 1.1).
# Usage: bench/archive/run.sh [WORK_FOLDER]   (RUNS=5 by default; BUILD=build-bench)
set -euo pipefail
repo=$(cd "$(dirname "$0")/../.." && pwd)
work=${1:-$(mktemp -d /tmp/terravane-archive-bench-XXXXXX)}
mkdir -p "$work"
runs=${RUNS:-5}
build=${BUILD:-$repo/build-bench}
python=$(command -v /usr/bin/python3 || command -v python3)

cmake -S "$repo" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTERRAVANE_GUI=OFF >/dev/null
cmake --build "$build" --target terravane_maps >/dev/null
driver=$work/zip_bench
g++ -std=c++20 -O2 -finput-charset=UTF-8 -fexec-charset=GB18030 -I"$repo" \
  "$repo/bench/archive/zip_bench.cpp" -o "$driver" \
  "$build/maps/libterravane_maps.a" "$build/common/libterravane_common.a" \
  "$build/platform/libterravane_platform.a" \
  $(pkg-config --libs minizip zlib libcurl libpcre2-8 opencc libcrypto libjpeg) -lpthread

game=$work/Game
if [ ! -d "$game" ]; then
  echo "writing the synthetic game folder to $game"
  "$python" "$repo/bench/archive/make_game_folder.py" "$game"
fi
echo "game folder: $(find "$game" -type f | wc -l) files, $(du -sm "$game" | cut -f1) MB"

seconds() {  # runs "$@" and prints its wall time in seconds
  local start=$EPOCHREALTIME
  "$@" >/dev/null
  awk -v end="$EPOCHREALTIME" -v start="$start" 'BEGIN { print end - start }'
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { print a / b }'; }
median() { printf '%s\n' "$@" | sort -g | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

ours_make() { rm -f "$work/ours.zip"; "$driver" make "$game" "$work/ours.zip"; }
peer_make() { rm -f "$work/peer.zip"; (cd "$game" && zip -r -q -6 "$work/peer.zip" .); }
ours_extract() { rm -rf "$work/out"; "$driver" extract "$work/peer.zip" "$work/out"; }
peer_extract() { rm -rf "$work/out"; mkdir "$work/out"; unzip -q -o "$work/peer.zip" -d "$work/out"; }

# One untimed round of each warms the page cache for both sides alike.
ours_make; peer_make; ours_extract; peer_extract
unzip -tq "$work/ours.zip" >/dev/null

declare -a om pm oe pe
for ((i = 0; i < runs; i++)); do
  om+=("$(seconds ours_make)"); pm+=("$(seconds peer_make)")
  oe+=("$(seconds ours_extract)"); pe+=("$(seconds peer_extract)")
done
m_ours=$(median "${om[@]}"); m_peer=$(median "${pm[@]}")
e_ours=$(median "${oe[@]}"); e_peer=$(median "${pe[@]}")
printf 'MakeZip     %6.2f s   zip -r -q -6  %6.2f s   ratio %.3f   (%s vs %s bytes)\n' \
  "$m_ours" "$m_peer" "$(ratio "$m_ours" "$m_peer")" \
  "$(stat -c %s "$work/ours.zip")" "$(stat -c %s "$work/peer.zip")"
printf 'ExtractZip  %6.2f s   unzip -q -o   %6.2f s   ratio %.3f\n' \
  "$e_ours" "$e_peer" "$(ratio "$e_ours" "$e_peer")"
[ -n "${1:-}" ] || rm -rf "$work"
