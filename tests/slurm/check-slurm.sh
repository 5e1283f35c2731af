#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
# SPDX-License-Identifier: GPL-3.0-or-later
# The documented sbatch script on a real one-node Slurm cluster that this test starts on
# loopback in a temporary folder: submitted as a 3-task array, the union of its outputs and
# reports must equal one plain run; after two outputs are deleted, the same submission redoes
# those two only. Exit 77 (skipped) when the daemons cannot start here.
#
# usage: check-slurm.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$(realpath "$1")
source=$(realpath "$2")
work=$(mktemp -d)
# shellcheck source=slurm-cluster.sh
source "$source/tests/slurm/slurm-cluster.sh"
trap 'stop_cluster; rm -rf "$work"' EXIT
export LC_ALL=C.UTF-8 HOME=$work/home PATH=$build:$PATH
mkdir -p "$HOME"
failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

start_cluster || exit $?

python3 "$source/tests/docs/make-library.py" "$work/shared/photos"
orv run --quiet --defaults --set Output.Type=1 --set Output.SimDir="$work/plain" --mirror-tree \
  --report "$work/plain.jsonl" "$work/shared/photos" || fail "the plain run exited $?"
outputs() { (cd "$1" && find . -name '*_ORV*' -type f -exec md5sum {} + | sort -k2); }
# A report line without its timing, which differs from run to run.
report_lines() { sed -E 's/"ms":[0-9]+,?//' "$@" | sort; }

# The script as documented; only its paths, and its array and shard count (3 tasks), differ.
python3 "$source/tests/docs/extract-recipe.py" "$source/docs/scaling.md" "Slurm job array" |
  sed -e "s|/shared/|$work/shared/|g" -e 's|--array=0-15|--array=0-2|' \
    -e 's|--shard auto/16|--shard auto/3|' >"$work/orv-library.sh"
grep -q -- '--shard auto/3' "$work/orv-library.sh" || fail "the script no longer reads --shard auto/16"
mkdir -p "$work/submit"
cd "$work/submit"
sbatch --wait "$work/orv-library.sh" >/dev/null || fail "the array job failed: $(cat orv-library-*.out)"
[[ $(outputs "$work/shared/orv/out") == $(outputs "$work/plain") ]] ||
  fail "the array's outputs differ from one plain run"
[[ $(report_lines "$work"/shared/orv/reports/shard-*.jsonl) == $(report_lines "$work/plain.jsonl" |
  sed "s|$work/plain/|$work/shared/orv/out/|g") ]] ||
  fail "the array's reports differ from one plain run's"
for task in 0 1 2; do
  [[ -s $work/shared/orv/reports/log-$task.html ]] || fail "task $task wrote no log"
done

# Two outputs lost: the same submission redoes only those two.
find "$work/shared/orv/out/2021/01" "$work/shared/orv/out/2023/05" -name '*_ORV*' -delete
sbatch --wait "$work/orv-library.sh" >/dev/null || fail "the re-submitted array failed"
[[ $(outputs "$work/shared/orv/out") == $(outputs "$work/plain") ]] ||
  fail "the re-submission's outputs differ from one plain run"
saved=$(cat "$work"/shared/orv/reports/shard-*.jsonl | grep -c '"status":"saved"' || true)
skipped=$(cat "$work"/shared/orv/reports/shard-*.jsonl | grep -c '"status":"skipped"' || true)
[[ $saved -eq 2 && $skipped -eq 4 ]] || fail "the re-submission saved $saved and skipped $skipped"

if ((failures > 0)); then
  echo "$failures Slurm check(s) failed" >&2
  exit 1
fi
echo "the sbatch script ran as documented on a real Slurm cluster"
