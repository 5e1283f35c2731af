#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
# SPDX-License-Identifier: GPL-3.0-or-later
# A whole `orv run` over one 24-megapixel JPEG (auto balance on, every other stage off, fixed
# quality 88, full chroma) against libjpeg-turbo's own djpeg | cjpeg -quality 88 -sample 1x1 on
# the same file, side by side in one run. Prints the median of 5 runs of each and the ratio.
# Needs the release build in build/ and the package libjpeg-turbo-progs.
set -euo pipefail
cd "$(dirname "$0")/.."
command -v djpeg >/dev/null || { echo "install libjpeg-turbo-progs for djpeg/cjpeg" >&2; exit 2; }
source bench/compare-common.sh

seconds() { local s e; s=$(date +%s.%N); "$@" >/dev/null 2>&1; e=$(date +%s.%N); echo "$e - $s" | bc -l; }

orv_once() {
  rm -rf "$work/in/ORV"
  "$build/orv" --home "$work/home" run --defaults --quiet \
    --set Quality.Type=0 --set Quality.CQ=88 --set Quality.Subsampling=1 \
    --set sRGB.Enabled=0 --set ColorCast.SimEnabled=0 --set Midtones.SimEnabled=0 \
    --set Saturation.SimEnabled=0 --set Sharpen.SimEnabled=0 --set HotPixels.SimEnabled=0 \
    --set HotPixels.BF=0 --set Denoise.SimEnabled=0 --set FilterSim.SimEnabled=0 \
    --set Text.Enabled=0 --set Size.Type=0 --set Balance.SimEnabled=1 "$photo"
}
turbo_once() { djpeg "$photo" | cjpeg -quality 88 -sample 1x1 > "$work/turbo.jpg"; }

o=(); t=()
for _ in $(seq "$runs"); do
  o+=("$(seconds orv_once)")
  t+=("$(seconds bash -c "djpeg '$photo' | cjpeg -quality 88 -sample 1x1 > '$work/turbo.jpg'")")
done
om=$(printf '%s\n' "${o[@]}" | median)
tm=$(printf '%s\n' "${t[@]}" | median)
printf 'orv run (auto balance, q88): %.3f s\n' "$om"
printf 'djpeg | cjpeg -quality 88 -sample 1x1: %.3f s\n' "$tm"
printf 'ratio orv / libjpeg-turbo: %.2f\n' "$(echo "$om / $tm" | bc -l)"
