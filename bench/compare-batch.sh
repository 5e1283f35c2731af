#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
# SPDX-License-Identifier: GPL-3.0-or-later
# A batch of eight copies of one 24-megapixel JPEG (auto balance on, every other stage off,
# fixed quality 88, full chroma) through `orv run` on all cores, on one worker and on two, side by
# side with libjpeg-turbo's djpeg | cjpeg -quality 88 -sample 1x1, one file per core through
# xargs -P. Each is run RUNS times (default 5); the medians of wall time, CPU time (user + system)
# and peak memory (the largest resident set of one process) are printed with the ratios:
#   throughput of orv on all cores / libjpeg-turbo on all cores  (wall time of turbo / of orv)
#   scaling from --jobs 1 to --jobs 2                             (wall time of 1 / of 2)
#   peak memory of --jobs 2 / of --jobs 1
# The machine's load average is printed before and after: on a shared machine wall-time ratios
# move with it, CPU times much less. Needs the release build in build/ (orv and orv_make_photo);
# installs libjpeg-turbo-progs when djpeg is missing.
set -euo pipefail
cd "$(dirname "$0")/.."
if ! command -v djpeg >/dev/null || ! command -v cjpeg >/dev/null; then
  sudo=""; [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get install -y --no-install-recommends libjpeg-turbo-progs >/dev/null
fi
[ -x /usr/bin/time ] || { echo "needs GNU time (/usr/bin/time, package time)" >&2; exit 2; }
source bench/compare-common.sh

cores=$(nproc)
photos=8
mkdir -p "$work/batch"
for i in $(seq "$photos"); do cp "$photo" "$work/batch/p$i.jpg"; done

# Prints "wall cpu peakKB" of the command (peak: the largest process of it).
measure() {
  /usr/bin/time -f '%e %U %S %M' -o "$work/time" "$@" >/dev/null 2>&1
  awk '{printf "%.3f %.3f %d\n", $1, $2 + $3, $4}' "$work/time"
}

# orv_batch [--jobs N]: without it, one worker per core.
orv_batch() {
  rm -rf "$work/batch/ORV"
  measure "$build/orv" --home "$work/home" run --defaults --quiet "$@" \
    --set Quality.Type=0 --set Quality.CQ=88 --set Quality.Subsampling=1 \
    --set sRGB.Enabled=0 --set ColorCast.SimEnabled=0 --set Midtones.SimEnabled=0 \
    --set Saturation.SimEnabled=0 --set Sharpen.SimEnabled=0 --set HotPixels.SimEnabled=0 \
    --set HotPixels.BF=0 --set Denoise.SimEnabled=0 --set FilterSim.SimEnabled=0 \
    --set Text.Enabled=0 --set Size.Type=0 --set Balance.SimEnabled=1 "$work/batch"
}
turbo_batch() {
  rm -f "$work"/batch/*.out
  (cd "$work/batch" &&
    measure sh -c "ls *.jpg | xargs -P $cores -I{} sh -c 'djpeg {} | cjpeg -quality 88 -sample 1x1 > {}.out'")
}

column() { awk -v c="$1" '{print $c}' | median; }

echo "cores: $cores; photos: $photos of 6000 x 4000; runs: $runs"
echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
: >"$work/turbo"; : >"$work/all"; : >"$work/one"; : >"$work/two"
for _ in $(seq "$runs"); do
  turbo_batch >>"$work/turbo"
  orv_batch >>"$work/all"
  orv_batch --jobs 1 >>"$work/one"
  orv_batch --jobs 2 >>"$work/two"
done
echo "load average after:  $(cut -d' ' -f1-3 /proc/loadavg)"

printf '%-40s %8s %8s %10s\n' "median of $runs" "wall s" "CPU s" "peak MB"
for row in "turbo:djpeg | cjpeg, xargs -P $cores" "all:orv run (one worker a core)" \
  "one:orv run --jobs 1" "two:orv run --jobs 2"; do
  f=${row%%:*}
  printf '%-40s %8.3f %8.3f %10.0f\n' "${row#*:}" "$(column 1 <"$work/$f")" \
    "$(column 2 <"$work/$f")" "$(echo "$(column 3 <"$work/$f") / 1024" | bc -l)"
done
tw=$(column 1 <"$work/turbo"); aw=$(column 1 <"$work/all")
ow=$(column 1 <"$work/one"); w2=$(column 1 <"$work/two")
om=$(column 3 <"$work/one"); m2=$(column 3 <"$work/two")
printf 'throughput orv (all cores) / libjpeg-turbo: %.2f\n' "$(echo "$tw / $aw" | bc -l)"
printf 'scaling --jobs 1 -> --jobs 2: %.2f\n' "$(echo "$ow / $w2" | bc -l)"
printf 'peak memory --jobs 2 / --jobs 1: %.2f\n' "$(echo "$m2 / $om" | bc -l)"
