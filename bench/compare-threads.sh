#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
# SPDX-License-Identifier: GPL-3.0-or-later
# One photo on every core: wall times of `orv run` on all cores of the process against the same
# run pinned to one core (taskset -c 0), for
#   - one generated 24-megapixel JPEG as a 6-second exposure through the default Advanced run
#     (every default stage, the profile's curves; quality 88, full chroma), and
#   - a batch of three copies of it.
# Each is run RUNS times (default 5); the medians and the ratio all cores / one core are printed
# with the targets, and the outputs of the two runs are compared byte for byte. The load average
# is printed before and after: on a shared machine wall times move with it. PAUSE=s waits s
# seconds before every run, for the first run after a quiet spell: on a virtual machine whose
# host takes back the memory its guest leaves free, fresh memory then costs far more than in
# runs back to back (3 seconds is enough on the machines seen so far). Needs the release build
# in build/; installs libimage-exiftool-perl (for the exposure time) when it is missing.
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/compare-common.sh
long_exposure "$photo"
mkdir -p "$work/one" "$work/three"
cp "$photo" "$work/one/p.jpg"
for i in 1 2 3; do cp "$photo" "$work/three/p$i.jpg"; done

# seconds FOLDER [PIN...]: the wall time of one default Advanced run over the folder's photos,
# to the millisecond (GNU time's 10 ms steps are a twentieth of a one-photo run); the outputs are
# kept in FOLDER/ORV.
seconds() {
  local folder=$1; shift
  rm -rf "$folder/ORV"
  sleep "${PAUSE:-0}"
  local start=$EPOCHREALTIME
  "$@" "$build/orv" --home "$work/home" run --defaults \
    --quiet --set Mode.Advanced=1 --set Quality.Type=0 --set Quality.CQ=88 \
    --set Quality.Subsampling=1 "$folder" >/dev/null 2>&1
  local end=$EPOCHREALTIME
  awk -v a="$start" -v b="$end" 'BEGIN {printf "%.3f\n", b - a}'
}
sums() { (cd "$1/ORV" && md5sum ./*) }

echo "cores: $(nproc); runs: $runs; photo: 6000 x 4000, 6 s exposure; pause: ${PAUSE:-0} s"
echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
for f in one three; do : >"$work/$f.all"; : >"$work/$f.pinned"; done
same=yes
for _ in $(seq "$runs"); do
  for f in one three; do
    seconds "$work/$f" taskset -c 0 >>"$work/$f.pinned"
    sums "$work/$f" >"$work/$f.sums"
    seconds "$work/$f" >>"$work/$f.all"
    sums "$work/$f" | cmp -s - "$work/$f.sums" || same=no
  done
done
echo "load average after:  $(cut -d' ' -f1-3 /proc/loadavg)"

printf '%-36s %10s %10s %7s %7s\n' "median wall s of $runs" "one core" "all cores" "ratio" "target"
row() {
  local p a
  p=$(median <"$work/$1.pinned"); a=$(median <"$work/$1.all")
  awk -v l="$2" -v p="$p" -v a="$a" -v t="$3" \
    'BEGIN {printf "%-36s %10.3f %10.3f %7.2f %7s\n", l, p, a, a / p, t}'
}
row one "one photo, default Advanced" "<=0.60"
row three "three photos, default Advanced" "<=0.55"
echo "outputs of all cores identical to one core: $same"
