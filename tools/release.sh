#!/usr/bin/env bash
# Turns the current sources into a release: DIST_DIR/Modelprobe_u.exe (the i686 program,
# stripped and signed), Modelprobe_u.exe.debug (its symbols, found through the program's debug
# link) and SHA256SUMS. The unsigned program is kept as BUILD_DIR/unsigned/Modelprobe_u.exe:
# two builds of one commit give the same bytes there, wherever and whenever they run.
#
# Usage: tools/release.sh [BUILD_DIR [DIST_DIR]]   (defaults: build/release, dist)
# Signing: see tools/sign.sh. SOURCE_DATE_EPOCH defaults to the last commit's time.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${1:-$root/build/release}")
dist=$(realpath -m "${2:-$root/dist}")

"$root/tools/install-deps.sh"
if [[ -z ${SOURCE_DATE_EPOCH:-} ]]; then
    SOURCE_DATE_EPOCH=$(git -C "$root" log -1 --format=%ct)
fi
export SOURCE_DATE_EPOCH TZ=UTC LC_ALL=C

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DQAR_RELEASE=ON \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" >/dev/null
cmake --build "$build" --target Modelprobe_u -j "${JOBS:-2}"

program=$build/src/Modelprobe_u.exe
unsigned=$build/unsigned/Modelprobe_u.exe
mkdir -p "$dist" "$(dirname "$unsigned")"
rm -f "$dist/Modelprobe_u.exe" "$dist/Modelprobe_u.exe.debug" "$dist/SHA256SUMS"
i686-w64-mingw32-objcopy --only-keep-debug "$program" "$dist/Modelprobe_u.exe.debug"
i686-w64-mingw32-strip --strip-all -o "$unsigned" "$program"
i686-w64-mingw32-objcopy --add-gnu-debuglink="$dist/Modelprobe_u.exe.debug" "$unsigned"
"$root/tools/sign.sh" "$unsigned" "$dist/Modelprobe_u.exe" "$build/signing"
(cd "$dist" && sha256sum Modelprobe_u.exe Modelprobe_u.exe.debug >SHA256SUMS)

echo "release in $dist:"
sed 's/^/  /' "$dist/SHA256SUMS"
echo "  unsigned program: $(sha256sum "$unsigned" | cut -d' ' -f1)"
