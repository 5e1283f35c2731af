#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs the GNU parallel recipes of docs/scaling.md as written, with only the library, output and
# binary paths substituted, on a small dated library: each must exit 0, write every report and
# log it names, and leave the same outputs, byte for byte, as one plain run. The recipe over
# ssh runs on two simulated hosts (an ssh stand-in that runs the command here).
#
# usage: check-scaling-recipes.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$(realpath "$1")
source=$(realpath "$2")
here=$source/tests/docs
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export LC_ALL=C.UTF-8 HOME=$work/home PATH=$build:$PATH
mkdir -p "$HOME"
if ! command -v parallel >/dev/null; then
  echo "SKIP: GNU parallel is not installed (scripts/install-deps.sh installs it)"
  exit 0
fi
failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

# The outputs of one plain run of the whole library.
python3 "$here/make-library.py" "$work/srv/photos"
orv run --quiet --defaults --set Output.Type=1 --set Output.SimDir="$work/plain" --mirror-tree \
  "$work/srv/photos" || fail "the plain run exited $?"
expected=$(cd "$work/plain" && find . -name '*_ORV*' -type f -exec md5sum {} + | sort -k2)
[[ $(echo "$expected" | wc -l) -eq 6 ]] || fail "the plain run wrote $(echo "$expected" | wc -l) outputs"

outputs() { (cd "$1" && find . -name '*_ORV*' -type f -exec md5sum {} + | sort -k2); }

recipe() { python3 "$here/extract-recipe.py" "$source/docs/scaling.md" "$1"; }

# All cores of one machine: run in a fresh folder, where reports/ does not exist yet.
mkdir -p "$work/local"
recipe "All cores of one machine" | sed "s|/srv/|$work/srv/|g" >"$work/local.sh"
(cd "$work/local" && bash -e "$work/local.sh") || fail "the one-machine recipe exited $?"
[[ $(outputs "$work/srv/out") == "$expected" ]] || fail "the one-machine recipe's outputs differ"
n=$(nproc)
for k in $(seq "$n"); do
  [[ -s $work/local/reports/log-$k.html ]] || fail "no log of shard $k"
  [[ -f $work/local/reports/shard-$k.jsonl ]] || fail "no report of shard $k"
done
[[ $(cat "$work"/local/reports/shard-*.jsonl | wc -l) -eq 6 ]] || fail "the reports do not list 6 photos"

# Several machines over ssh: host1 and host2 are this machine through an ssh stand-in.
rm -rf "$work/srv/out"
mkdir -p "$work/srv/library" "$work/bin"
mv "$work/srv/photos" "$work/srv/library/photos"
cat >"$work/bin/fake-ssh" <<'SSH'
#!/usr/bin/env bash
# ssh HOST COMMAND...: drops the options and the host and runs the command here, with the
# login shell in SHELL as sshd sets it (GNU parallel's remote worker runs its job with $SHELL;
# CI's environment has none).
SHELL=$(getent passwd "$(id -u)" | cut -d: -f7)
export SHELL=${SHELL:-/bin/sh}
while [[ $# -gt 0 && $1 == -* && $1 != -- ]]; do
  case $1 in -l | -p | -o | -i) shift 2 ;; *) shift ;; esac
done
shift
[[ ${1-} == -- ]] && shift
exec bash -c "$*"
SSH
chmod +x "$work/bin/fake-ssh"
recipe "Several machines: GNU parallel over ssh" | sed "s|/srv/|$work/srv/|g" >"$work/ssh.sh"
(cd "$work" && PARALLEL_SSH=$work/bin/fake-ssh bash -e "$work/ssh.sh") ||
  fail "the ssh recipe exited $?"
[[ $(outputs "$work/srv/library/out") == "$expected" ]] || fail "the ssh recipe's outputs differ"
[[ $(cat "$work"/srv/library/reports/shard-*.jsonl | wc -l) -eq 6 ]] ||
  fail "the ssh recipe's reports do not list 6 photos"
# Run again after two outputs are lost: the same command redoes only those two.
find "$work/srv/library/out" -name 'x_ORV*' -delete
(cd "$work" && PARALLEL_SSH=$work/bin/fake-ssh bash -e "$work/ssh.sh") ||
  fail "the ssh recipe's re-run exited $?"
[[ $(outputs "$work/srv/library/out") == "$expected" ]] || fail "the re-run's outputs differ"
saved=$(cat "$work"/srv/library/reports/shard-*.jsonl | grep -c '"status":"saved"' || true)
[[ $saved -eq 3 ]] || fail "the re-run saved $saved photos, not the 3 named x"

if ((failures > 0)); then
  echo "$failures recipe check(s) failed" >&2
  exit 1
fi
echo "the scaling recipes ran as written"
