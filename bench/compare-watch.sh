#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
# SPDX-License-Identifier: GPL-3.0-or-later
# `orv watch` against its targets, with the default profile on generated JPEGs (PHOTO_SIZE,
# default 4000 x 3000):
#   latency  one photo moved into a watched folder until its output is written,
#            against settle time + the photo's processing (the watch's own "N ms") + 200 ms, and
#            against `orv run` of the same photo (whole process, wall time);
#   burst    BURST photos (default 8) moved in at once until the last output stands, minus the
#            settle time, against `orv run` of the same photos (same workers: one per core);
#            the target is at most 10 % slower; their CPU times (user + system) too, which move
#            less than wall times on a shared machine;
#   idle     the CPU time of a watcher over IDLE seconds (default 60; 0 leaves it out) with
#            nothing arriving, in inotify mode (target under 0.1 % of a core) and in poll mode
#            (--poll 5).
# SPREAD=1 moves the burst in with one mv a photo (tens of milliseconds apart, as a copying
# program or an upload delivers them) instead of one mv for all, and counts from the last.
# Latency and burst are measured RUNS times (default 5) and the medians printed; the load
# average is printed before and after, since the machine may be shared. Needs the release build
# in build/ (orv and orv_make_photo).
set -euo pipefail
cd "$(dirname "$0")/.."
PHOTO_SIZE=${PHOTO_SIZE:-"4000 3000"}
source bench/compare-common.sh
settle=${SETTLE:-2}
burst=${BURST:-8}
idle=${IDLE:-60}

now() { date +%s.%N; }
# Waits until the file exists. The time it was written is read from the file afterwards, so
# the waiting looks only five times a second: a tight loop of processes would take CPU from
# the watcher it measures.
wait_for() { while [ ! -e "$1" ]; do sleep 0.2; done; }
# The modification time of a file in seconds, to the nanosecond: when its last byte was written
# (an output gets its final name right after).
written() { stat -c %.9Y "$1"; }

watcher=0
stop_watcher() {
  if [ "$watcher" -gt 0 ]; then
    kill -TERM "$watcher" 2>/dev/null || true
    wait "$watcher" 2>/dev/null || true
    watcher=0
  fi
}
trap 'stop_watcher; rm -rf "$work"' EXIT

# start_watcher FOLDER [options]: runs `orv watch` in the background, stderr in $work/err.
start_watcher() {
  local folder=$1
  shift
  : >"$work/err"
  "$build/orv" --home "$work/home" watch --defaults --settle "$settle" "$@" "$folder" \
    2>"$work/err" &
  watcher=$!
  until grep -q "watching" "$work/err"; do sleep 0.05; done
}

cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }

echo "photo: $PHOTO_SIZE; settle: $settle s; burst: $burst photos; runs: $runs; cores: $(nproc)"
echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg)"

# --- Latency ---------------------------------------------------------------------------------
mkdir -p "$work/stage" "$work/watched" "$work/single"
: >"$work/latency"; : >"$work/run1"
start_watcher "$work/watched"
for i in $(seq "$runs"); do
  cp "$photo" "$work/stage/l$i.jpg"
  sync  # no writing back of the copy while the watch works
  t0=$(now)
  mv "$work/stage/l$i.jpg" "$work/watched/l$i.jpg"
  wait_for "$work/watched/ORV/l${i}_ORV.jpg"
  t1=$(written "$work/watched/ORV/l${i}_ORV.jpg")
  until grep -q "l$i.jpg -> " "$work/err"; do sleep 0.01; done
  ms=$(grep "l$i.jpg -> " "$work/err" | awk '{print $(NF-1)}')
  awk -v a="$t0" -v b="$t1" -v ms="$ms" -v s="$settle" \
    'BEGIN {l = (b - a) * 1000; printf "%.0f %d %.0f\n", l, ms, l - s * 1000 - ms}' >>"$work/latency"
  cp "$photo" "$work/single/s.jpg"
  rm -rf "$work/single/ORV"
  t0=$(now)
  "$build/orv" --home "$work/home" run --defaults --quiet "$work/single/s.jpg" >/dev/null 2>&1
  t1=$(now)
  awk -v a="$t0" -v b="$t1" 'BEGIN {printf "%.0f\n", (b - a) * 1000}' >>"$work/run1"
done
stop_watcher
lat=$(awk '{print $1}' "$work/latency" | median)
own=$(awk '{print $2}' "$work/latency" | median)
over=$(awk '{print $3}' "$work/latency" | median)
run1=$(median <"$work/run1")
echo "latency: median $lat ms from the move to the output = settle $((settle * 1000)) ms +" \
  "processing $own ms (the watch's own figure) + $over ms; target: + at most 200 ms"
echo "         orv run of the same photo: $run1 ms (process start to exit)"

hz=$(getconf CLK_TCK)
[ -x /usr/bin/time ] || { echo "needs GNU time (/usr/bin/time, package time)" >&2; exit 2; }

# --- Burst -----------------------------------------------------------------------------------
: >"$work/burst"; : >"$work/runN"
mkdir -p "$work/batch"
for i in $(seq "$burst"); do cp "$photo" "$work/batch/b$i.jpg"; done
for r in $(seq "$runs"); do
  rm -rf "$work/watched"
  mkdir -p "$work/watched"
  for i in $(seq "$burst"); do cp "$photo" "$work/stage/b$i.jpg"; done
  sync  # no writing back of the copies while the watch works
  start_watcher "$work/watched"
  c0=$(cpu_ticks "$watcher")
  t0=$(now)
  if [ -n "${SPREAD:-}" ]; then
    # One mv each, as a copying program or an upload delivers them: tens of milliseconds apart.
    # The time counts from the last arrival, as orv run starts with every photo there.
    for f in "$work"/stage/b*.jpg; do mv "$f" "$work/watched/"; done
    t0=$(now)
  else
    mv "$work"/stage/b*.jpg "$work/watched/"  # one process: the files arrive microseconds apart
  fi
  t1=0
  for i in $(seq "$burst"); do
    wait_for "$work/watched/ORV/b${i}_ORV.jpg"
    t1=$(awk -v a="$t1" -v b="$(written "$work/watched/ORV/b${i}_ORV.jpg")" 'BEGIN {printf "%.9f", (b > a) ? b : a}')
  done
  c1=$(cpu_ticks "$watcher")
  stop_watcher
  awk -v a="$t0" -v b="$t1" -v s="$settle" -v c=$((c1 - c0)) -v hz="$hz" \
    'BEGIN {printf "%.0f %.0f\n", (b - a - s) * 1000, c * 1000 / hz}' >>"$work/burst"
  rm -rf "$work/batch/ORV"
  sync
  t0=$(now)
  /usr/bin/time -f '%U %S' -o "$work/time" \
    "$build/orv" --home "$work/home" run --defaults --quiet "$work/batch" >/dev/null 2>&1
  t1=$(now)
  awk -v a="$t0" -v b="$t1" -v cpu="$(awk '{print $1 + $2}' "$work/time")" \
    'BEGIN {printf "%.0f %.0f\n", (b - a) * 1000, cpu * 1000}' >>"$work/runN"
done
bw=$(awk '{print $1}' "$work/burst" | median)
br=$(awk '{print $1}' "$work/runN" | median)
cw=$(awk '{print $2}' "$work/burst" | median)
cr=$(awk '{print $2}' "$work/runN" | median)
echo "burst: $burst photos in $bw ms after the settle time; orv run: $br ms;" \
  "ratio $(awk -v a="$bw" -v b="$br" 'BEGIN {printf "%.3f", a / b}') (target at most 1.10)"
echo "       CPU time (user + system): watch $cw ms, orv run $cr ms;" \
  "ratio $(awk -v a="$cw" -v b="$cr" 'BEGIN {printf "%.3f", a / b}')"

# --- Idle ------------------------------------------------------------------------------------
[ "$idle" -gt 0 ] || modes=""
for mode in ${modes-inotify poll}; do
  rm -rf "$work/watched"
  mkdir -p "$work/watched"
  if [ "$mode" = poll ]; then start_watcher "$work/watched" --poll 5; else start_watcher "$work/watched"; fi
  sleep 1
  c0=$(cpu_ticks "$watcher")
  sleep "$idle"
  c1=$(cpu_ticks "$watcher")
  stop_watcher
  echo "idle ($mode): $((c1 - c0)) clock ticks of CPU in $idle s =" \
    "$(awk -v t=$((c1 - c0)) -v hz="$hz" -v s="$idle" 'BEGIN {printf "%.3f", t / hz / s * 100}') %" \
    "of a core (target under 0.1 %; one tick is 1/$hz s)"
done
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
