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
# Without the 32-bit loader the Wine tests run the x86_64 twin and say so; everything else is a must.
optional=(wine32:i386)
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
    # A mirror mid-sync fails one index now and then; what the others list may still install.
    for attempt in 1 2 3; do
        "${sudo_cmd[@]}" apt-get update -q && break
        echo "apt-get update failed (attempt $attempt of 3)" >&2
        ((attempt == 3)) || sleep $((attempt * 10))
    done
    required=()
    for package in "${missing[@]}"; do
        [[ " ${optional[*]} " == *" $package "* ]] || required+=("$package")
    done
    if ((${#required[@]})); then
        "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${required[@]}"
    fi
    for package in "${missing[@]}"; do
        [[ " ${optional[*]} " == *" $package "* ]] || continue
        "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "$package" \
            || echo "!!! $package did not install: the Wine tests will run the x86_64 twin" >&2
    done
fi
