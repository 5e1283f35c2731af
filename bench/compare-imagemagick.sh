#!/usr/bin/env bash
# Speed of the correction filters against ImageMagick's nearest operations, whole command
# against whole command, on one generated 6000 x 4000 JPEG (quality 88 out).
#
# ImageMagick runs one thread (-limit thread 1). On the ORV side a command is estimated as a
# plain JPEG decode + encode (libjpeg-turbo's djpeg | cjpeg, the codec ORV links) plus the
# filter's own time from the Google Benchmark suite (bench/FilterBench.cpp, 24 megapixels).
# Once `orv run` exists, replace orv_seconds below by a timing of the real command.
#
# Times are CPU seconds (user + system), the median of RUNS runs, so that other work on a shared
# machine does not inflate them. Usage:
#   bench/compare-imagemagick.sh [BUILD_DIR]      (default build/, a Release build with orv_bench)
# Needs: imagemagick, libjpeg-turbo-progs, python3.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
runs=${RUNS:-5}
bench="$build/orv_bench"
convert_bin=/usr/bin/convert
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

for tool in "$convert_bin" djpeg cjpeg python3 "$bench"; do
  command -v "$tool" >/dev/null || { echo "missing: $tool" >&2; exit 2; }
done

photo="$work/in.jpg"
# A plasma field with grain looks enough like a photograph for codec and filter timings.
"$convert_bin" -limit thread 1 -seed 7 -size 6000x4000 plasma:fractal \
  -attenuate 0.4 +noise Gaussian -quality 92 "$photo"

# cpu_seconds CMD...: the median CPU time of $runs runs of a shell command.
cpu_seconds() {
  local times=()
  for ((i = 0; i < runs; i++)); do
    local t
    t=$( { TIMEFORMAT='%U %S'; time bash -c "$*" >/dev/null 2>&1; } 2>&1)
    times+=("$(awk '{print $1 + $2}' <<<"$t")")
  done
  printf '%s\n' "${times[@]}" | sort -g | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'
}

im_seconds() {  # im_seconds OPERATION...
  cpu_seconds "$convert_bin -limit thread 1 '$photo' $* -quality 88 '$work/im.jpg'"
}

codec_seconds=$(cpu_seconds "djpeg '$photo' | cjpeg -quality 88 > '$work/orv.jpg'")

# The filter figures: one benchmark run, CPU milliseconds per call.
"$bench" --benchmark_filter='BM_(SpeckleRemove|RemoveHotPixels/[35]|UnsharpMask|NeighbourFilter/0|AdjustGamma|AdjustSaturation)$' \
  --benchmark_min_time=0.5 --benchmark_format=json >"$work/bench.json" 2>/dev/null
filter_ms() {
  python3 - "$work/bench.json" "$1" <<'PY'
import json, sys
data = json.load(open(sys.argv[1]))
for b in data["benchmarks"]:
    if b["name"] == sys.argv[2]:
        scale = {"ms": 1.0, "us": 1e-3, "ns": 1e-6, "s": 1e3}[b["time_unit"]]
        print(b["cpu_time"] * scale)
        break
PY
}

# ORV's estimated command time for one filter. Switch this function to time
#   orv run --defaults --set ... --yes "$photo"
# with only the stage under test on, when that command exists.
orv_seconds() {  # orv_seconds BENCHMARK_NAME
  awk -v c="$codec_seconds" -v f="$(filter_ms "$1")" 'BEGIN {print c + f / 1000}'
}

printf '%-28s %-26s %9s %9s %7s %7s\n' "ImageMagick" "ORV filter" "IM s" "ORV s" "ratio" "target"
row() {  # row LABEL BENCHMARK TARGET IM-OPERATION...
  local label=$1 name=$2 target=$3
  shift 3
  local im orv
  im=$(im_seconds "$@")
  orv=$(orv_seconds "$name")
  awk -v l="$label" -v n="$name" -v a="$im" -v b="$orv" -v t="$target" \
    'BEGIN {printf "%-28s %-26s %9.3f %9.3f %7.1f %7s\n", l, n, a, b, a / b, t}'
}

im_plain=$(im_seconds "")
awk -v a="$im_plain" -v b="$codec_seconds" \
  'BEGIN {printf "%-28s %-26s %9.3f %9.3f %7.1f %7s\n", "decode+encode", "djpeg|cjpeg", a, b, a / b, "-"}'
row "-despeckle" BM_SpeckleRemove 5 -despeckle
row "-statistic Median 3x3" BM_RemoveHotPixels/3 10 -statistic Median 3x3
row "-statistic Median 5x5" BM_RemoveHotPixels/5 10 -statistic Median 5x5
row "-unsharp 0x1.5+0.5+0" BM_UnsharpMask 5 -unsharp 0x1.5+0.5+0
row "-sharpen 0x1" BM_NeighbourFilter/0 3 -sharpen 0x1
row "-gamma 1.05" BM_AdjustGamma 2 -gamma 1.05
row "-modulate 100,130" BM_AdjustSaturation 3 -modulate 100,130
