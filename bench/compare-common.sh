# Sourced by the compare-*.sh scripts from the repository's root: a scratch folder $work
# (removed on exit) with an app folder $work/home holding the default profile and one generated
# 6000 x 4000 JPEG at $photo, plus `median` of the numbers on standard input.
build=${BUILD:-build}
runs=${RUNS:-5}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/in" "$work/home"
cp data/default.orv "$work/home/"
photo="$work/in/photo.jpg"
"$build/orv_make_photo" "$photo" 6000 4000 92

median() { sort -g | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
