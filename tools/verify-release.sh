#!/usr/bin/env bash
# Rebuilds a release's program from a clean checkout of the commit its BUILDINFO records and
# compares the unsigned program byte for byte. When they differ, names the recorded toolchain
# packages whose versions differ from this machine's: the usual cause.
#
# Usage: tools/verify-release.sh DIST_DIR [WORK_DIR]   (WORK_DIR: a new folder; default a temporary one)
# The commit is taken from this checkout's repository. Exit 0: the same bytes.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
dist=$(realpath "${1:?usage: $0 DIST_DIR [WORK_DIR]}")
work=$(realpath -m "${2:-$(mktemp -d)/verify release}")
info=$dist/BUILDINFO
[[ -r $info ]] || { echo "$0: $info missing" >&2; exit 2; }
recorded() { sed -n "s/^$1 //p" "$info"; }

commit=$(recorded commit)
[[ ! -e $work ]] || { echo "$0: $work exists: name a folder to be made" >&2; exit 2; }
git clone -q --no-checkout "$root" "$work/source"
git -C "$work/source" -c advice.detachedHead=false checkout -q "$commit"
SOURCE_DATE_EPOCH=$(recorded source-date-epoch) \
    bash "$work/source/tools/release.sh" --unsigned "$work/build" >"$work/build.log" 2>&1 \
    || { tail -20 "$work/build.log" >&2; echo "$0: the rebuild failed" >&2; exit 2; }

expected=$(sha256sum <"$dist/unsigned/Modelprobe_u.exe" | cut -d' ' -f1)
rebuilt=$(sha256sum <"$work/build/unsigned/Modelprobe_u.exe" | cut -d' ' -f1)
echo "commit $commit"
echo "released unsigned program $expected"
echo "rebuilt unsigned program  $rebuilt"
machine=$(bash "$root/tools/release.sh" --toolchain)
differences=$(diff <(grep '^package ' "$info") <(echo "$machine") | grep '^[<>]' || true)
if [[ $expected == "$rebuilt" ]]; then
    echo "identical: the release is this commit's program"
    [[ -z $differences ]] || printf 'toolchain differences that did not matter:\n%s\n' "$differences"
    exit 0
fi
echo "DIFFERENT"
if [[ -n $differences ]]; then
    printf 'toolchain packages recorded (<) and on this machine (>):\n%s\n' "$differences"
else
    echo "the recorded toolchain matches this machine's"
fi
exit 1
