#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
# SPDX-License-Identifier: GPL-3.0-or-later
# A 24-megapixel camera RAW (a DNG made from a generated 6000 x 4000 photo) to a JPEG of the same
# size at quality 88, whole command against whole command, each on one core (taskset -c 0, one
# OpenMP thread):
#   orv run (default profile)              vs  darktable-cli, rawtherapee-cli -j88 -c,
#                                              dcraw_emu (PPG, as orv) | cjpeg -quality 88
#   orv run fitting into 3000 x 3000       vs  dcraw_emu -h (half size) | cjpeg -quality 88
#   orv run at 50 %                        vs  the same (half size: no demosaicing)
#   the same with every correction off (decoding and encoding alone, as the peer does)
# cjpeg is given -sample 1x1: orv writes 4:4:4 JPEG (no chroma subsampling), cjpeg's default is
# 4:2:0, which halves the colour data it codes. Both demosaic with PPG (-q 2) and both apply the
# camera white balance, sRGB primaries and curve, without automatic brightening.
# PEERS=dcraw leaves out darktable and RawTherapee (they take minutes).
# Prints the median CPU time (user + system) and wall time of RUNS runs each; the ratio is
# other / orv (above 1: orv is faster). Needs the release build in build/ (orv, orv_make_photo,
# orv_make_dng); installs darktable, rawtherapee, libraw-bin and libjpeg-turbo-progs itself
# (as root, through apt-get).
set -euo pipefail
cd "$(dirname "$0")/.."
need=()
for tool in darktable-cli:darktable rawtherapee-cli:rawtherapee dcraw_emu:libraw-bin \
            cjpeg:libjpeg-turbo-progs taskset:util-linux; do
  command -v "${tool%%:*}" >/dev/null || need+=("${tool#*:}")
done
if ((${#need[@]})); then
  DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${need[@]}" >/dev/null
fi
runs=${RUNS:-3}
source bench/compare-common.sh
# The DNG comes from orv_make_dng (orv's decoding helper is built with orv).
if [ -f "$build/CMakeCache.txt" ]; then
  cmake --build "$build" -j2 --target orv_make_dng >/dev/null
fi
"$build/orv_make_dng" "$photo" "$work/in/photo.dng"
rm "$photo"
photo="$work/in/photo.dng"
export OMP_NUM_THREADS=1
pin="taskset -c 0"

# Prints "cpu wall" seconds of one run of the command.
timed() {
  local t
  t=$( { TIMEFORMAT='%U %S %R'; time bash -c "$1" >/dev/null 2>&1 || true; } 2>&1)
  awk '{print $1 + $2, $3}' <<<"$t"
}

printf '%-22s %9s %9s %9s %9s %7s\n' "" "orv cpu" "orv wall" "other cpu" "oth wall" "ratio"
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
    'BEGIN {printf "%-22s %9.3f %9.3f %9.3f %9.3f %7.2f\n", n, a, b, c, d, c / a}'
}

orv_run="rm -rf '$work/in/ORV'; $pin '$build/orv' --home '$work/home' run --defaults --quiet --jobs 1 --set Output.FileType=1 --set Quality.CQ=88"
dt_conf="$work/darktable"
mkdir -p "$dt_conf"
off=$stages_off
if [[ ${PEERS:-all} == all ]]; then
compare "darktable-cli" "$orv_run '$photo'" \
  "rm -f '$work/dt.jpg'; $pin darktable-cli '$photo' '$work/dt.jpg' --core --configdir '$dt_conf' --conf plugins/imageio/format/jpeg/quality=88"
compare "rawtherapee-cli" "$orv_run '$photo'" \
  "$pin rawtherapee-cli -Y -o '$work/rt.jpg' -j88 -c '$photo'"
fi
compare "dcraw_emu | cjpeg" "$orv_run '$photo'" \
  "$pin dcraw_emu -q 2 -w -o 1 -W -g 2.4 12.92 -Z - '$photo' | $pin cjpeg -quality 88 -sample 1x1 > '$work/de.jpg'"
compare "half: dcraw_emu -h" "$orv_run --set Size.Type=2 --set Size.Width=3000 --set Size.Height=3000 '$photo'" \
  "$pin dcraw_emu -h -w -o 1 -W -g 2.4 12.92 -Z - '$photo' | $pin cjpeg -quality 88 -sample 1x1 > '$work/de.jpg'"
compare "50 %: dcraw_emu -h" "$orv_run --set Size.Type=1 --set Size.Percent=50 '$photo'" \
  "$pin dcraw_emu -h -w -o 1 -W -g 2.4 12.92 -Z - '$photo' | $pin cjpeg -quality 88 -sample 1x1 > '$work/de.jpg'"
compare "off: dcraw_emu | cjpeg" "$orv_run $off '$photo'" \
  "$pin dcraw_emu -q 2 -w -o 1 -W -g 2.4 12.92 -Z - '$photo' | $pin cjpeg -quality 88 -sample 1x1 > '$work/de.jpg'"
compare "off, 50 %: dcraw -h" "$orv_run $off --set Size.Type=1 --set Size.Percent=50 '$photo'" \
  "$pin dcraw_emu -h -w -o 1 -W -g 2.4 12.92 -Z - '$photo' | $pin cjpeg -quality 88 -sample 1x1 > '$work/de.jpg'"
compare "off, half: dcraw -h" "$orv_run $off --set Size.Type=2 --set Size.Width=3000 --set Size.Height=3000 '$photo'" \
  "$pin dcraw_emu -h -w -o 1 -W -g 2.4 12.92 -Z - '$photo' | $pin cjpeg -quality 88 -sample 1x1 > '$work/de.jpg'"
