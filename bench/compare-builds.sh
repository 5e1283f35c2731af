#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
# SPDX-License-Identifier: GPL-3.0-or-later
# The kernels of two builds side by side, for a before-and-after figure on a shared machine:
#
#   bench/compare-builds.sh BEFORE/orv_bench AFTER/orv_bench [FILTER]
#
# Runs the two benchmark programs in turn (before, after, before, after, ...; ROUNDS rounds, 7
# unless set), each pinned to one core (CORE, 1 unless set) with ORV_KERNELS passed through, and
# prints for each benchmark the least CPU time of every round: other work on the machine
# inflates a time, never shortens it, and alternating spreads a change of load over both builds.
# The load average at the start of each run is printed below the table.
set -euo pipefail
if (($# < 2)); then
  echo "usage: $0 BEFORE_ORV_BENCH AFTER_ORV_BENCH [BENCHMARK_FILTER]" >&2
  exit 2
fi
before=$1 after=$2
filter=${3:-Hot|Speckle|Neighbour|Portrait|Unsharp|Gaussian|Resize|Minolta|Simulate}
rounds=${ROUNDS:-7}
core=${CORE:-1}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

loads=()
for ((r = 1; r <= rounds; r++)); do
  for side in before after; do
    bin=$before
    [[ $side == after ]] && bin=$after
    loads+=("$(cut -d' ' -f1 /proc/loadavg)")
    # CSV: name, iterations, real_time, cpu_time, ...
    taskset -c "$core" "$bin" --benchmark_filter="$filter" --benchmark_format=csv \
      --benchmark_min_time=0.3 2>/dev/null | grep '^"' | sed "s/^/$side,/" >>"$work/times.csv"
  done
done

# Plain awk (mawk has no sorting): one row a benchmark, sorted by name afterwards.
printf "%-28s %10s %10s %8s\n" "benchmark (least CPU ms)" "before" "after" "ratio"
awk -F, '
  { gsub(/"/, "", $2); key = $1 SUBSEP $2; names[$2] = 1
    if (!(key in best) || $5 < best[key]) best[key] = $5 }
  END {
    for (name in names) {
      b = best["before" SUBSEP name]; a = best["after" SUBSEP name]
      if (b && a) printf "%-28s %10.1f %10.1f %8.2f\n", name, b, a, b / a
    }
  }' "$work/times.csv" | sort
echo "ratio: before / after (above 1: the after build is faster); ORV_KERNELS=${ORV_KERNELS:-}"
echo "load averages at the start of each run: ${loads[*]}"
