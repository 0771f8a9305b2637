#!/usr/bin/env bash
# Turns a commit into a release in DIST_DIR:
#   Modelprobe_u.exe           the i686 program, stripped, signed and timestamped
#   unsigned/Modelprobe_u.exe  the same before signing: two builds of one commit give the same
#                              bytes, wherever and whenever they run (tools/verify-release.sh)
#   Modelprobe_u.exe.debug     its symbols, found through the program's debug link
#   BUILDINFO                  the commit, version, SOURCE_DATE_EPOCH and toolchain versions
#   TEST-SIGNED                only when test-signed: a marker that this must not be published
#   SHA256SUMS                 of all of these
#
# Usage: tools/release.sh [BUILD_DIR [DIST_DIR]]   (defaults: build/release, dist)
#        tools/release.sh --unsigned BUILD_DIR     the unsigned program only, in BUILD_DIR/unsigned
#        tools/release.sh --toolchain              the toolchain as BUILDINFO records it
# The tree must be a clean git checkout. Signing: see tools/sign.sh (without a key configured,
# nothing is built). SOURCE_DATE_EPOCH defaults to the commit's time.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)

# The packages whose versions shape the program's bytes: compilers, binutils (windres, ld,
# strip), the Windows headers and libraries, the pictures' ImageMagick and fonts, CMake.
toolchain_packages=(
    g++-mingw-w64-i686-win32 gcc-mingw-w64-i686-win32 gcc-mingw-w64-base mingw-w64-i686-dev
    mingw-w64-common binutils-mingw-w64-i686 imagemagick-6.q16 libmagickcore-6.q16-6
    fonts-liberation cmake
)

toolchain() {
    local package
    for package in "${toolchain_packages[@]}"; do
        echo "package $package $(dpkg-query -W -f='${Version}' "$package" 2>/dev/null \
            || echo "not-installed")"
    done
}

fail() {
    echo "$(basename "$0"): $*" >&2
    exit 2
}

# Builds the stripped, unsigned program into BUILD_DIR/unsigned, its symbols beside it.
build_unsigned() {
    local build=$1
    "$root/tools/install-deps.sh"
    export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git -C "$root" log -1 --format=%ct)}
    export TZ=UTC LC_ALL=C
    cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DQAR_RELEASE=ON \
        -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" >/dev/null
    cmake --build "$build" --target Modelprobe_u -j "${JOBS:-2}"
    local program=$build/src/Modelprobe_u.exe
    mkdir -p "$build/unsigned"
    i686-w64-mingw32-objcopy --only-keep-debug "$program" "$build/unsigned/Modelprobe_u.exe.debug"
    i686-w64-mingw32-strip --strip-all -o "$build/unsigned/Modelprobe_u.exe" "$program"
    (cd "$build/unsigned" &&
        i686-w64-mingw32-objcopy --add-gnu-debuglink=Modelprobe_u.exe.debug Modelprobe_u.exe)
}

build_info() {
    echo "commit $(git -C "$root" rev-parse HEAD)"
    echo "version $(sed -n 's/^project([^ ]* VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")"
    echo "source-date-epoch $SOURCE_DATE_EPOCH"
    toolchain
}

case ${1:-} in
    --toolchain) toolchain; exit 0 ;;
    --unsigned) build_unsigned "$(realpath -m "$2")"; exit 0 ;;
esac
build=$(realpath -m "${1:-$root/build/release}")
dist=$(realpath -m "${2:-$root/dist}")

# Refused before anything is built: a release that could not be published, or not rebuilt.
"$root/tools/sign.sh" --check
git -C "$root" rev-parse --verify -q HEAD >/dev/null || fail "$root is not a git checkout"
if [[ -n $(git -C "$root" status --porcelain) ]]; then
    git -C "$root" status --short >&2
    fail "the work tree has uncommitted changes: a release is built from a commit"
fi

build_unsigned "$build"
staging=$build/dist-staging
rm -rf "$staging"
mkdir -p "$staging/unsigned"
cp "$build/unsigned/Modelprobe_u.exe" "$staging/unsigned/"
cp "$build/unsigned/Modelprobe_u.exe.debug" "$staging/"
build_info >"$staging/BUILDINFO"
"$root/tools/sign.sh" "$build/unsigned/Modelprobe_u.exe" "$staging/Modelprobe_u.exe" "$build/signing"
if [[ $("$root/tools/sign.sh" --source) == test ]]; then
    echo "Test-signed by a throwaway CA (QAR_TEST_SIGN=1): do not publish." >"$staging/TEST-SIGNED"
fi
sums=$(cd "$staging" && find . -type f -printf '%P\n' | LC_ALL=C sort | xargs sha256sum)
echo "$sums" >"$staging/SHA256SUMS"
rm -rf "$dist"
mv "$staging" "$dist"

echo "release in $dist:"
sed 's/^/  /' "$dist/SHA256SUMS"
