#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
# SPDX-License-Identifier: GPL-3.0-or-later
# The correction filters against ImageMagick's nearest operations, whole command against whole
# command, on one generated 6000 x 4000 JPEG with JPEG quality 88 out: `orv run` with only the
# stage under test switched on, against `convert -limit thread 1`. Times are CPU seconds
# (user + system), the median of RUNS runs, so other work on a shared machine does not inflate
# them; the ratio is ImageMagick / orv.
# Needs the release build in build/ (orv, orv_make_photo) and imagemagick.
set -euo pipefail
cd "$(dirname "$0")/.."
command -v convert >/dev/null || { echo "missing convert (imagemagick)" >&2; exit 2; }
source bench/compare-common.sh

# Every stage off in both modes, quality 88 with the encoder's usual chroma sampling (as
# ImageMagick writes quality 88); the arguments switch the stage under test on.
off="--set Quality.Type=0 --set Quality.CQ=88 --set Quality.Subsampling=0 $stages_off"
off="$off --set Size.Type=0"
orv_seconds() {
  cpu_seconds "rm -rf '$work/in/ORV'; '$build/orv' --home '$work/home' run --defaults --quiet $off $* '$photo'"
}
im_seconds() { cpu_seconds "convert -limit thread 1 '$photo' $* -quality 88 '$work/im.jpg'"; }

printf '%-24s %9s %9s %7s %7s\n' "operation" "IM s" "orv s" "ratio" "target"
row() {  # row LABEL TARGET "ORV SETTINGS" IM-OPERATION...
  local label=$1 target=$2 settings=$3
  shift 3
  local im orv
  im=$(im_seconds "$@")
  orv=$(orv_seconds "$settings")
  awk -v l="$label" -v a="$im" -v b="$orv" -v t="$target" \
    'BEGIN {printf "%-24s %9.3f %9.3f %7.2f %7s\n", l, a, b, a / b, t}'
}
row "decode+encode" "-" ""
row "-despeckle" 5 "--set Denoise.SimEnabled=1 --set Denoise.SimData=255 --set Distance.SimData=0" -despeckle
row "-statistic Median 3x3" 10 "--set HotPixels.SimEnabled=1 --set HotPixels.SimData=40" -statistic Median 3x3
row "-statistic Median 5x5" 10 "--set Mode.Advanced=1 --set HotPixels.Enabled=1 --set HotPixels.NoExif=0 --set HotPixels.Data0=40 --set Window.Data0=150" -statistic Median 5x5
row "-unsharp 0x1.5+0.5+0" 5 "--set Mode.Advanced=1 --set Sharpen.Enabled=1 --set Sharpen.Type=1 --set Sharpen.NoExif=0 --set Sharpen.Data0=128 --set Radius.NoExif=0 --set Radius.Data0=46" -unsharp 0x1.5+0.5+0
row "-sharpen 0x1" 3 "--set Sharpen.SimEnabled=1 --set Sharpen.SimData=128" -sharpen 0x1
row "-gamma 1.05" 2 "--set Midtones.SimEnabled=1 --set Midtones.Simple=140" -gamma 1.05
row "-modulate 100,130" 3 "--set Saturation.SimEnabled=1 --set Saturation.SimData=166" -modulate 100,130
