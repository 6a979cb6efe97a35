#!/usr/bin/env bash
# make reproduce: builds the distribution twice, each time in a fresh clone of
# the current commit, in two folders of different names, one after the other,
# with different time zones and umasks, and compares byte for byte every file
# it ships: the binaries of both architectures, both installers, the zip and
# SHA256SUMS. Prints each differing file with the offset of its first
# differing byte. Uncommitted changes are not part of the clones.
#   reproduce.sh [WORK_DIR]   (default: a new folder in /tmp; kept when the
#                              builds differ, removed when they agree)
#   reproduce.sh --compare WORK_DIR   compares the two builds kept there again
set -euo pipefail
cd "$(dirname "$0")/.."
compare_only=0
if [ "${1:-}" = --compare ]; then
  compare_only=1
  shift
  [ -d "${1:-}/one" ] && [ -d "$1/second-build" ] || { echo "reproduce: no two builds in ${1:-(none given)}" >&2; exit 2; }
fi
commit=$(git rev-parse HEAD)
repo=$(git rev-parse --path-format=absolute --git-common-dir)
work=$(realpath -m "${1:-$(mktemp -d /tmp/tavrel-reproduce.XXXXXX)}")
mkdir -p "$work"
# A time stamp from a server differs on every run; the signatures are then
# made with the fixed signing time instead.
unset SOURCE_DATE_EPOCH TAVREL_SIGN_TIMESTAMP_URL

# build NAME TZ UMASK: one clean clone and its distribution.
build() {
  local dir=$work/$1
  rm -rf "$dir"
  git clone -q --no-checkout "$repo" "$dir"
  git -C "$dir" checkout -q --detach "$commit"
  echo "reproduce: building $commit in $dir (TZ=$2, umask $3)"
  (cd "$dir" && umask "$3" && TZ=$2 bash scripts/dist.sh >"$dir.log" 2>&1) ||
    { echo "reproduce: the build in $dir failed; its log is $dir.log" >&2; exit 1; }
}
if [ "$compare_only" = 0 ]; then
  [ -z "$(git status --porcelain --untracked-files=no)" ] ||
    echo "reproduce: the work tree has uncommitted changes; the builds are of commit $commit without them"
  start=$(date +%s)
  build one UTC 022
  build second-build Pacific/Kiritimati 002
  echo "reproduce: both builds took $(($(date +%s) - start)) s"
  commit=$(git -C "$work/one" rev-parse HEAD)
fi

# The shipped files of one build: the distribution and the staged binaries.
shipped() { (cd "$work/$1" && find dist build/dist/x64 build/dist/x86 -type f 2>/dev/null | sort); }
differ=0 count=0
while read -r file; do
  count=$((count + 1))
  a=$work/one/$file b=$work/second-build/$file
  if [ ! -f "$a" ] || [ ! -f "$b" ]; then
    echo "reproduce: DIFFERENT: $file is in one build only"
    differ=$((differ + 1))
  elif ! cmp -s "$a" "$b"; then
    said=$(cmp "$a" "$b" 2>&1 || true)
    if [[ "$said" =~ EOF\ on\ .*\ after\ byte\ ([0-9]+) ]]; then where="one ends at offset ${BASH_REMATCH[1]}"
    elif [[ "$said" =~ byte\ ([0-9]+) ]]; then where="first at offset $((BASH_REMATCH[1] - 1))"
    else where=$said; fi
    echo "reproduce: DIFFERENT: $file, $where (sizes $(stat -c %s "$a") and $(stat -c %s "$b"))"
    differ=$((differ + 1))
  fi
done < <(sort -u <(shipped one) <(shipped second-build))
if [ "$differ" = 0 ]; then
  echo "reproduce: identical: all $count files"
  sed 's/^/  /' "$work/one/dist/SHA256SUMS"
  rm -rf "$work"
else
  echo "reproduce: $differ of $count files differ; both builds are in $work"
  exit 1
fi
