#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs a build folder into two temporary prefixes and checks the installed program: the
# installed files, that each copy finds its data relative to itself, that a run with an empty
# home works and writes nothing into the prefix, the manual pages, the desktop entry, the
# AppStream metainfo, the MIME types and the bash completion.
#
# usage: check-install.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$(realpath "$1")
source=$(realpath "$2")
id=org.orvlumitra.lumitra
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export LC_ALL=C.UTF-8
failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

gui=0
[[ -x $build/orv-lumitra ]] && gui=1

expected_files() {
  echo bin/orv
  echo libexec/orv-lumitra/orv-decode
  echo share/bash-completion/completions/orv
  echo lib/systemd/user/orv-watch@.service
  echo share/man/man1/orv.1.gz
  echo share/orv-lumitra/default.orv
  (cd "$source/data" && find help -type f | sed 's|^|share/orv-lumitra/|')
  echo share/doc/orv-lumitra/README.md
  echo share/doc/orv-lumitra/copyright
  (cd "$source" && find docs -type f | sed 's|^|share/doc/orv-lumitra/|')
  if ((gui)); then
    echo bin/orv-lumitra
    echo share/applications/$id.desktop
    echo share/icons/hicolor/256x256/apps/$id.png
    echo share/icons/hicolor/scalable/apps/$id.svg
    echo share/man/man1/orv-lumitra.1.gz
    echo share/metainfo/$id.metainfo.xml
    echo share/mime/packages/$id.xml
  fi
}
expected_files | sort >"$work/expected"

# Snapshot of a tree: every path with its size and modification time.
snapshot() { (cd "$1" && find . -printf '%p %s %T@\n' | sort); }

# Runs a program as a fresh user would: an empty home, no app folder chosen in the environment.
as_new_user() {
  local home=$1
  shift
  env -u ORV_HOME -u XDG_DATA_HOME -u XDG_CONFIG_HOME HOME="$home" "$@"
}

check_prefix() {
  local prefix=$1 marker=$2 name=$3
  echo "== $prefix"
  (cd "$prefix" && find . -type f -o -type l | sed 's|^\./||' | sort) >"$work/$name.files"
  diff -u "$work/expected" "$work/$name.files" || fail "$name: the installed files differ"

  # A marker in this prefix's help page shows which data folder seeded the app folder.
  echo "<!-- $marker -->" >>"$prefix/share/orv-lumitra/help/index.htm"
  snapshot "$prefix" >"$work/$name.before"

  local home=$work/$name-home photos=$work/$name-photos
  mkdir -p "$home" "$photos"
  cp "$source/samples/test2.jpg" "$photos/"
  local status=0
  # A dry run before the first real run: the installed defaults, nothing written at all.
  local planned
  planned=$(cd "$work" && as_new_user "$home" "$prefix/bin/orv" run --dry-run --defaults "$photos") ||
    fail "$name: the first dry run failed"
  [[ $planned == "$photos/test2.jpg"$'\t'"$photos/ORV/test2_ORV.jpg" ]] ||
    fail "$name: the dry run planned '$planned'"
  [[ -z $(ls -A "$home") && ! -e $photos/ORV ]] || fail "$name: the dry run wrote something"
  (cd "$work" && as_new_user "$home" "$prefix/bin/orv" run --defaults --quiet "$photos") || status=$?
  ((status == 0)) || fail "$name: orv run exited with $status"
  [[ -s $photos/ORV/test2_ORV.jpg ]] || fail "$name: no output photo"
  local app=$home/.local/share/orv-lumitra
  cmp -s "$prefix/share/orv-lumitra/default.orv" "$app/default.orv" ||
    fail "$name: the app folder was not seeded with the installed default.orv"
  cmp -s "$app/default.orv" "$app/current.orv" ||
    fail "$name: the first run did not start from the default profile (current.orv)"
  grep -q "$marker" "$app/help/index.htm" 2>/dev/null ||
    fail "$name: the help pages did not come from this prefix"
  [[ -s $app/help/log.html ]] || fail "$name: no run log in the per-user app folder"

  # A camera RAW decodes through the installed decoding helper.
  as_new_user "$home" "$prefix/bin/orv" info "$source/fuzz/corpus/raw/small.dng" >"$work/$name.info" ||
    fail "$name: orv info of a RAW failed: $(cat "$work/$name.info")"
  grep -q 'Make:' "$work/$name.info" || fail "$name: orv info of a RAW shows no camera"

  if ((gui)); then
    # The desktop program takes a profile and a folder as a file manager passes them.
    as_new_user "$home" "$prefix/bin/orv" --home "$app" profile --defaults --write "$work/$name.orv"
    (cd "$work" && as_new_user "$home" env QT_QPA_PLATFORM=offscreen "$prefix/bin/orv-lumitra" \
      --screenshot "$work/$name-shot.png" --tab 1 "$work/$name.orv" "$photos") ||
      fail "$name: orv-lumitra with a profile and a folder failed"
    [[ -s $work/$name-shot.png ]] || fail "$name: no screenshot"
  fi

  snapshot "$prefix" >"$work/$name.after"
  diff -u "$work/$name.before" "$work/$name.after" || fail "$name: a run wrote into the prefix"

  # The watch service runs this prefix's orv, whatever prefix the build was configured with.
  grep -qx "ExecStart=$prefix/bin/orv watch \$ORV_WATCH_OPTIONS %f" \
    "$prefix/lib/systemd/user/orv-watch@.service" ||
    fail "$name: the watch unit does not run $prefix/bin/orv"
}

# Two prefixes at different depths: each installed copy must find its own data.
prefix_a=$work/a/usr
prefix_b=$work/b/opt/orv-lumitra
for prefix in "$prefix_a" "$prefix_b"; do
  cmake --install "$build" --prefix "$prefix" >/dev/null
done
check_prefix "$prefix_a" prefix-a a
check_prefix "$prefix_b" prefix-b b

# Without its decoding helper the program fails that one load with a message, and does not crash.
mv "$prefix_a/libexec/orv-lumitra/orv-decode" "$work/orv-decode.away"
status=0
"$prefix_a/bin/orv" info "$source/fuzz/corpus/raw/small.dng" >/dev/null 2>"$work/nohelper.err" ||
  status=$?
((status == 1)) || fail "orv info without its helper exited with $status"
grep -q 'the decoding helper orv-decode is not installed' "$work/nohelper.err" ||
  fail "orv info without its helper said: $(cat "$work/nohelper.err")"
mv "$work/orv-decode.away" "$prefix_a/libexec/orv-lumitra/orv-decode"

# The documents the help points to are installed, and the copyright file names the licence.
[[ -s $prefix_a/share/doc/orv-lumitra/docs/scaling.md ]] || fail "docs/scaling.md is not installed"
grep -q '^License: GPL-3.0-or-later' "$prefix_a/share/doc/orv-lumitra/copyright" ||
  fail "the copyright file names no licence"

# Manual pages render without warnings and carry the written sections.
for page in "$prefix_a"/share/man/man1/*.1.gz; do
  if ! MANWIDTH=80 man --warnings -l "$page" >"$work/page.txt" 2>"$work/page.err" ||
      [[ -s $work/page.err ]]; then
    cat "$work/page.err" >&2
    fail "man -l $(basename "$page")"
  fi
  for heading in SYNOPSIS DESCRIPTION FILES ENVIRONMENT "EXIT STATUS"; do
    grep -q "^$heading" "$work/page.txt" || fail "$(basename "$page") has no $heading section"
  done
done
MANWIDTH=80 man -l "$prefix_a/share/man/man1/orv.1.gz" >"$work/orv.txt" 2>/dev/null
grep -q ORV_MAX_MEGAPIXELS "$work/orv.txt" || fail "the manual page does not name ORV_MAX_MEGAPIXELS"
for command in run info exif rotate profile; do
  grep -q "^ *Command $command:" "$work/orv.txt" || fail "orv(1) lacks the help of $command"
done

if ((gui)); then
  desktop-file-validate "$prefix_a/share/applications/$id.desktop" || fail "desktop-file-validate"
  # The program takes folders, so a file manager offers it for them ("Open with").
  grep -q '^MimeType=.*inode/directory;' "$prefix_a/share/applications/$id.desktop" ||
    fail "the desktop entry does not take folders"
  grep -q '<project_license>GPL-3.0-or-later</project_license>' \
    "$prefix_a/share/metainfo/$id.metainfo.xml" || fail "the metainfo names no licence"
  appstreamcli validate --pedantic --no-net "$prefix_a/share/metainfo/$id.metainfo.xml" ||
    fail "appstreamcli validate"
  file "$prefix_a/share/icons/hicolor/256x256/apps/$id.png" | grep -q '256 x 256' ||
    fail "the PNG icon is not 256 x 256"
  # The profile type is known to the MIME database once the package's definition is added.
  mkdir -p "$work/mime/packages"
  cp "$prefix_a/share/mime/packages/$id.xml" "$work/mime/packages/"
  update-mime-database "$work/mime" >/dev/null 2>&1
  grep -q '\*\.orv' "$work/mime/globs" || fail "the .orv type is not in the MIME database"
fi

# The completion loads in bash and completes commands, rotations and --set names.
complete_line() {
  # The words of the line; the last one is being completed.
  bash -c '
    source "$1"
    shift
    COMP_WORDS=("$@")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    _orv "$1"
    printf "%s\n" "${COMPREPLY[@]}"' _ "$prefix_b/share/bash-completion/completions/orv" "$@"
}
expect_completion() {
  local want=$1
  shift
  complete_line "$@" | grep -qx -- "$want" || fail "completing '$*' does not offer '$want'"
}
bash -c 'source "$1" && complete -p orv' _ "$prefix_b/share/bash-completion/completions/orv" \
  >/dev/null || fail "the completion does not load"
orv=$prefix_b/bin/orv
expect_completion profile "$orv" pro
expect_completion Mode.Advanced= "$orv" run --set Mode.Adv
expect_completion Quality.MaxKB= "$orv" --home /tmp run --set = Quality.Max
expect_completion --write "$orv" profile --wr
expect_completion ccw "$orv" rotate cc
[[ -z $(complete_line "$orv" run --set Mode.Advanced = "") ]] || fail "a --set value was completed"

if ((failures)); then
  echo "$failures check(s) failed" >&2
  exit 1
fi
echo "install checks passed"
