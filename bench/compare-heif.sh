#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
# SPDX-License-Identifier: GPL-3.0-or-later
# HEIC decoding and encoding against libheif's own tools, whole command against whole command, on
# one 12-megapixel HEIC made from a generated 4000 x 3000 photo (heif-enc, quality 80):
#   decode to PNG   `orv run` to PNG with every correction off  vs  `heif-convert` to PNG
#   decode only     `orv info` (decodes the whole picture)      vs  `heif-convert` to Y4M (no RGB)
#   encode HEIC     `orv run`, "Same as Source" (decode + encode at Quality.CQ 80)
#                   vs  `heif-convert` to PNG followed by `heif-enc -q 80` of that PNG
# Prints the median CPU time (user + system, all threads) and wall time of RUNS runs each; the
# ratio is other / orv (above 1: orv is faster).
# Needs the release build in build/ (orv, orv_make_photo) and libheif-examples.
set -euo pipefail
cd "$(dirname "$0")/.."
for tool in heif-enc heif-convert; do
  command -v "$tool" >/dev/null || { echo "missing $tool (libheif-examples)" >&2; exit 2; }
done
PHOTO_SIZE="4000 3000"
source bench/compare-common.sh
heif-enc -q 80 -o "$work/in/photo.heic" "$photo" >/dev/null
rm "$photo"
photo="$work/in/photo.heic"
# Prints "cpu wall" seconds of one run of the command.
timed() {
  local t
  t=$( { TIMEFORMAT='%U %S %R'; time bash -c "$1" >/dev/null 2>&1 || true; } 2>&1)
  awk '{print $1 + $2, $3}' <<<"$t"
}

off="--set sRGB.Enabled=0 --set HotPixels.BF=0 --set Text.Enabled=0 --set Size.Type=0"
for s in Balance Midtones ColorCast Saturation Sharpen HotPixels Denoise FilterSim; do
  off="$off --set $s.Enabled=0 --set $s.SimEnabled=0"
done
orv_run="rm -rf '$work/in/ORV'; '$build/orv' --home '$work/home' run --defaults --quiet $off"

printf '%-14s %9s %9s %9s %9s %7s\n' "" "orv cpu" "orv wall" "other cpu" "oth wall" "ratio"
compare() {
  local name=$1 orvcmd=$2 othercmd=$3 oc=() ow=() tc=() tw=() r
  for _ in $(seq "$runs"); do
    r=$(timed "$orvcmd"); oc+=("${r% *}"); ow+=("${r#* }")
    r=$(timed "$othercmd"); tc+=("${r% *}"); tw+=("${r#* }")
  done
  local a b c d
  a=$(printf '%s\n' "${oc[@]}" | median); b=$(printf '%s\n' "${ow[@]}" | median)
  c=$(printf '%s\n' "${tc[@]}" | median); d=$(printf '%s\n' "${tw[@]}" | median)
  awk -v n="$name" -v a="$a" -v b="$b" -v c="$c" -v d="$d" \
    'BEGIN {printf "%-14s %9.3f %9.3f %9.3f %9.3f %7.2f\n", n, a, b, c, d, c / a}'
}

compare "decode to PNG" "$orv_run --set Output.FileType=2 '$photo'" \
  "heif-convert '$photo' '$work/other.png'"
compare "decode only" "'$build/orv' info '$photo'" "heif-convert '$photo' '$work/other.y4m'"
compare "encode HEIC" "$orv_run --set Output.FileType=0 --set Quality.Type=0 --set Quality.CQ=80 '$photo'" \
  "heif-convert '$photo' '$work/other.png' && heif-enc -q 80 -o '$work/other.heic' '$work/other.png'"
