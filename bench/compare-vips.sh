#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Whole commands against libvips at one thread on one generated 24-megapixel JPEG, JPEG quality
# 88 with full chroma (4:4:4) out, everything pinned to one core (taskset -c 0, VIPS_CONCURRENCY=1):
# resize 50 % Lanczos 3, unsharp mask sigma 1 and the 3 x 3 median (hot pixels) against their
# `vips` counterparts, and the default Advanced run of a 6-second exposure against the
# `djpeg | cjpeg -quality 88 -sample 1x1` floor. Prints the median CPU time (user + system) of
# RUNS runs of each, so other work on a shared machine does not inflate it, the two commands of a
# row taking turns so that a change of load falls on both, and the ratio
# (vips / orv: above 1 means orv is faster; for the floor, orv / floor).
# Needs the release build in build/; installs libvips-tools, libjpeg-turbo-progs and
# libimage-exiftool-perl (for the exposure time) when they are missing.
set -euo pipefail
cd "$(dirname "$0")/.."
if ! command -v vips >/dev/null || ! command -v cjpeg >/dev/null || ! command -v exiftool >/dev/null; then
  apt-get install -y -qq libvips-tools libjpeg-turbo-progs libimage-exiftool-perl >/dev/null
fi
# Every command on one core.
PIN="taskset -c 0"
source bench/compare-common.sh
long_exposure "$photo"

export VIPS_CONCURRENCY=1
out="Q=88,subsample-mode=off,strip"

# Every stage off but the ones the arguments switch on; quality 88, full chroma.
off="--set Quality.Type=0 --set Quality.CQ=88 --set Quality.Subsampling=1 $stages_off"
off="$off --set Size.Type=0"
orv_cmd() { echo "rm -rf '$work/in/ORV'; '$build/orv' --home '$work/home' run --defaults --quiet $*"; }

printf '%-34s %9s %9s %7s %7s\n' "operation" "other s" "orv s" "ratio" "target"
row() {  # row LABEL TARGET "ORV ARGUMENTS" "OTHER COMMAND"
  local other orv
  read -r other orv < <(cpu_seconds_side_by_side "$4" "$(orv_cmd "$3")")
  awk -v l="$1" -v a="$other" -v b="$orv" -v t="$2" \
    'BEGIN {printf "%-34s %9.3f %9.3f %7.2f %7s\n", l, a, b, a / b, t}'
}
row "decode+encode (vips copy)" "-" "$off '$photo'" "vips copy '$photo' '$work/v.jpg[$out]'"
row "resize 50% Lanczos 3" ">=1.5" \
  "$off --set Size.Type=1 --set Size.Percent=50 --set Size.Filter=1 '$photo'" \
  "vips resize '$photo' '$work/v.jpg[$out]' 0.5 --kernel lanczos3"
# Radius 20 at every point of its curve gives sigma 20 / 51 + 0.6 = 0.99.
row "unsharp sigma 1" ">=5" \
  "$off --set Mode.Advanced=1 --set Sharpen.Enabled=1 --set Sharpen.Type=1 --set Sharpen.NoExif=0 --set Sharpen.Data0=128 --set Radius.NoExif=0 --set Radius.Data0=20 --set Radius.Data1=20 --set Radius.Data2=20 --set Radius.Data3=20 --set Radius.Data4=20 '$photo'" \
  "vips sharpen '$photo' '$work/v.jpg[$out]' --sigma 1"
row "hot pixels 3x3 / rank 3 3 4" ">=6" \
  "$off --set HotPixels.SimEnabled=1 --set HotPixels.SimData=40 '$photo'" \
  "vips rank '$photo' '$work/v.jpg[$out]' 3 3 4"

# The default Advanced run (every default stage, the profile's curves) against the codec floor.
read -r floor full < <(cpu_seconds_side_by_side \
  "djpeg '$photo' | cjpeg -quality 88 -sample 1x1 > '$work/turbo.jpg'" \
  "$(orv_cmd "--set Mode.Advanced=1 --set Quality.Type=0 --set Quality.CQ=88 --set Quality.Subsampling=1 '$photo'")")
awk -v a="$floor" -v b="$full" \
  'BEGIN {printf "%-34s %9.3f %9.3f %7.2f %7s\n", "Advanced run, 6 s (floor / orv)", a, b, b / a, "<=2.5"}'
