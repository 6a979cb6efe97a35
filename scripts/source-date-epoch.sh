#!/usr/bin/env bash
# Prints the time, in seconds since 1970, that every time stamp of a build
# and of the distribution takes, so that the same commit gives the same bytes:
#   1. SOURCE_DATE_EPOCH, when it is set;
#   2. the commit time of the checkout (git log -1 --format=%ct);
#   3. in a tree made by `git archive` (a source zip or tarball), the commit
#      time that git archive wrote into cmake/commit-time (export-subst).
# Anything else (a copy of the files without .git) must set SOURCE_DATE_EPOCH;
# the script then fails and says so.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd -P)
number() { [[ "$1" =~ ^[0-9]+$ ]]; }

if [ -n "${SOURCE_DATE_EPOCH:-}" ]; then
  number "$SOURCE_DATE_EPOCH" || { echo "source-date-epoch: SOURCE_DATE_EPOCH='$SOURCE_DATE_EPOCH' is not a number of seconds" >&2; exit 1; }
  echo "$SOURCE_DATE_EPOCH"
  exit 0
fi
# Only a checkout of this tree itself: a source zip unpacked inside another
# repository must not take that repository's commit.
if [ "$(git -C "$root" rev-parse --show-toplevel 2>/dev/null)" = "$root" ]; then
  git -C "$root" log -1 --format=%ct
  exit 0
fi
stamp=$(tr -d '[:space:]' < "$root/cmake/commit-time" 2>/dev/null || true)
if number "$stamp"; then
  echo "$stamp"
  exit 0
fi
echo "source-date-epoch: $root is neither a git checkout nor made by git archive: set SOURCE_DATE_EPOCH" >&2
exit 1
