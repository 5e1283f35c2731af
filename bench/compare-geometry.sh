#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Whole commands against whole commands on one generated 24-megapixel JPEG, JPEG quality 88 out:
# `orv run` with only the stage under test switched on, against ImageMagick at one thread doing
# the nearest operation, and `orv rotate` against jpegtran. Prints the median CPU time (user +
# system) of RUNS runs of each, so other work on a shared machine does not inflate it, and the
# ratio (other / orv: above 1 means orv is faster).
# Needs the release build in build/, imagemagick and libjpeg-turbo-progs.
set -euo pipefail
cd "$(dirname "$0")/.."
for tool in convert jpegtran bc; do
  command -v "$tool" >/dev/null || { echo "missing $tool (imagemagick, libjpeg-turbo-progs, bc)" >&2; exit 2; }
done
source bench/compare-common.sh

timed() {
  local t
  t=$( { TIMEFORMAT='%U %S'; time "$@" >/dev/null 2>&1 || true; } 2>&1)
  awk '{print $1 + $2}' <<<"$t"
}

# Every stage off but the ones named by the extra --set arguments.
orv_only() {
  rm -rf "$work/in/ORV"
  "$build/orv" --home "$work/home" run --defaults --quiet --set Quality.Type=0 \
    --set Quality.CQ=88 --set sRGB.Enabled=0 --set ColorCast.SimEnabled=0 \
    --set Balance.SimEnabled=0 --set Midtones.SimEnabled=0 --set Saturation.SimEnabled=0 \
    --set Sharpen.SimEnabled=0 --set HotPixels.SimEnabled=0 --set HotPixels.BF=0 \
    --set Denoise.SimEnabled=0 --set FilterSim.SimEnabled=0 --set Text.Enabled=0 \
    --set Size.Type=0 --set Quality.Subsampling=0 "$@" "$photo"
}
im() { convert "$photo" -limit thread 1 "$@" -quality 88 "$work/im.jpg"; }

compare() {
  local name=$1 orvcmd=$2 othercmd=$3 o=() t=()
  for _ in $(seq "$runs"); do
    o+=("$(timed bash -c "$orvcmd")")
    t+=("$(timed bash -c "$othercmd")")
  done
  local om tm
  om=$(printf '%s\n' "${o[@]}" | median)
  tm=$(printf '%s\n' "${t[@]}" | median)
  printf '%-28s orv %.3f s   other %.3f s   ratio %.2f\n' "$name" "$om" "$tm" "$(echo "$tm / $om" | bc -l)"
}
export -f orv_only im
export work build

compare "plain decode+encode" "orv_only" "im"
compare "resize 50% Lanczos 3" "orv_only --set Size.Type=1 --set Size.Percent=50 --set Size.Filter=1" \
  "im -filter Lanczos -resize 50%"
compare "resize 50% bilinear" "orv_only --set Size.Type=1 --set Size.Percent=50 --set Size.Filter=0" \
  "im -filter Triangle -resize 50%"
compare "Minolta colour matching" "orv_only --set sRGB.Enabled=1 --set sRGB.Test=1" \
  "im -color-matrix '1.2 -0.1 -0.1 -0.05 1.1 -0.05 0 -0.1 1.1'"
compare "filter simulation" "orv_only --set FilterSim.SimEnabled=1 --set FilterSim.SimFilterNo=20" \
  "im -channel R -evaluate multiply 0.86 -channel G -evaluate multiply 0.7 -channel B -evaluate multiply 0.5 +channel"
cp "$photo" "$work/rot.jpg"
compare "lossless rotate 90" "'$build/orv' rotate cw '$work/rot.jpg'" \
  "jpegtran -rotate 90 -trim -copy all '$photo' > '$work/jt.jpg'"
