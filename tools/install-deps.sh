#!/usr/bin/env bash
# Installs what the builds and tests need on a Debian 12 machine; skips what is present.
set -euo pipefail
packages=(
    cmake g++ make pkg-config libgtest-dev libgmock-dev
    g++-mingw-w64-i686-win32 g++-mingw-w64-x86-64-win32 binutils-mingw-w64-i686
    binutils-mingw-w64-x86-64
    wine64 xvfb xauth imagemagick fonts-wine fonts-wqy-microhei fonts-liberation
    python3 locales file clang libclang-rt-14-dev osslsigncode openssl
    # Signing with a key on a token through PKCS#11; SoftHSM is the release test's token.
    softhsm2 libengine-pkcs11-openssl
    # The shipping program is 32-bit: Wine runs it as a WoW64 process with the 32-bit loader.
    wine32:i386
)
missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" \
        || missing+=("$package")
done
if ((${#missing[@]})); then
    echo "installing: ${missing[*]}"
    sudo_cmd=()
    [[ $(id -u) -eq 0 ]] || sudo_cmd=(sudo)
    export DEBIAN_FRONTEND=noninteractive
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        "${sudo_cmd[@]}" dpkg --add-architecture i386
    fi
    "${sudo_cmd[@]}" apt-get update -q
    "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
