# SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Sourced by the compare-*.sh scripts from the repository's root: a scratch folder $work
# (removed on exit) with an app folder $work/home holding the default profile and one generated
# JPEG at $photo (6000 x 4000 unless PHOTO_SIZE="W H" is set before sourcing), plus `median` of
# the numbers on standard input and `cpu_seconds COMMAND`: the median CPU time (user + system)
# of RUNS runs of the command, run under $PIN when that is set (e.g. PIN="taskset -c 0"), and
# `cpu_seconds_side_by_side A B`, the two medians of A and B run in turn (A, B, A, B, ...), so
# that a change of the machine's load while they run falls on both alike;
# `$stages_off`, the --set arguments that switch every correction off in both modes, and
# `long_exposure FILE`, which marks a JPEG as a 6-second exposure so that the exposure-dependent
# stages (hot pixels, black frame) run.
build=${BUILD:-build}
runs=${RUNS:-5}
# The main job's build leaves out the benchmark tools: build what the comparisons run.
if [ -f "$build/CMakeCache.txt" ]; then
  cmake --build "$build" -j2 --target orv orv_make_photo >/dev/null
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/in" "$work/home"
cp data/default.orv "$work/home/"
photo="$work/in/photo.jpg"
"$build/orv_make_photo" "$photo" ${PHOTO_SIZE:-6000 4000} 92

median() { sort -g | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

# The CPU time (user + system) of one run of the command.
cpu_once() {
  local t
  t=$( { TIMEFORMAT='%U %S'; time ${PIN:-} bash -c "$1" >/dev/null 2>&1; } 2>&1)
  awk '{print $1 + $2}' <<<"$t"
}

cpu_seconds() {
  local times=()
  for ((i = 0; i < runs; i++)); do times+=("$(cpu_once "$*")"); done
  printf '%s\n' "${times[@]}" | median
}

cpu_seconds_side_by_side() {
  local a=() b=()
  for ((i = 0; i < runs; i++)); do
    a+=("$(cpu_once "$1")")
    b+=("$(cpu_once "$2")")
  done
  echo "$(printf '%s\n' "${a[@]}" | median) $(printf '%s\n' "${b[@]}" | median)"
}

stages_off="--set sRGB.Enabled=0 --set HotPixels.BF=0 --set Text.Enabled=0"
for stage in Balance Midtones ColorCast Saturation Sharpen HotPixels Denoise FilterSim; do
  stages_off="$stages_off --set $stage.Enabled=0 --set $stage.SimEnabled=0"
done

long_exposure() {
  if ! command -v exiftool >/dev/null; then
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get install -y -qq libimage-exiftool-perl >/dev/null
  fi
  exiftool -q -overwrite_original -ExposureTime=6 -FNumber=8 -ISO=200 "$1"
}
