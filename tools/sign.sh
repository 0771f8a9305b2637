#!/usr/bin/env bash
# Signs a Windows program with Authenticode (SHA-256), the signing time taken from the commit so
# that the same program signed with the same key gives the same file.
#
# Usage: tools/sign.sh IN OUT WORK_DIR
# The certificate comes from the environment:
#   QAR_SIGN_PKCS12=file.p12 [QAR_SIGN_PASSWORD=...]              a PKCS#12 file, or
#   QAR_SIGN_CERT=cert.pem QAR_SIGN_KEY=key.pem [QAR_SIGN_PASSWORD=...]   a certificate and its key.
# Without either, a throwaway self-signed code-signing certificate is made in WORK_DIR
# (test-signing.crt, test-signing.key) and the file is only test-signed.
# SOURCE_DATE_EPOCH, when set, is the signing time; otherwise the last commit's time.
set -euo pipefail

if (($# != 3)); then
    echo "usage: $0 IN OUT WORK_DIR" >&2
    exit 2
fi
in=$1
out=$2
work=$3
root=$(cd "$(dirname "$0")/.." && pwd)
epoch=${SOURCE_DATE_EPOCH:-$(git -C "$root" log -1 --format=%ct)}
mkdir -p "$work"

signer=()
if [[ -n ${QAR_SIGN_PKCS12:-} ]]; then
    signer=(-pkcs12 "$QAR_SIGN_PKCS12")
elif [[ -n ${QAR_SIGN_CERT:-} || -n ${QAR_SIGN_KEY:-} ]]; then
    if [[ -z ${QAR_SIGN_CERT:-} || -z ${QAR_SIGN_KEY:-} ]]; then
        echo "$0: QAR_SIGN_CERT and QAR_SIGN_KEY go together" >&2
        exit 2
    fi
    signer=(-certs "$QAR_SIGN_CERT" -key "$QAR_SIGN_KEY")
else
    cert=$work/test-signing.crt
    key=$work/test-signing.key
    if [[ ! -f $cert || ! -f $key ]]; then
        # Valid from well before any commit time, so that the signing time falls inside it.
        openssl req -x509 -newkey rsa:3072 -sha256 -nodes -days 36500 \
            -keyout "$key" -out "$cert" -subj "/CN=QAR test signing - NOT FOR RELEASE" \
            -addext "keyUsage=critical,digitalSignature" -addext "extendedKeyUsage=codeSigning" \
            2>/dev/null
    fi
    signer=(-certs "$cert" -key "$key")
    cat >&2 <<BANNER
******************************************************************************************
*  TEST-SIGNED: no certificate was given (QAR_SIGN_PKCS12, or QAR_SIGN_CERT and           *
*  QAR_SIGN_KEY), so $(basename "$out") is signed with a throwaway self-signed certificate. *
*  Windows will still show "Unknown publisher". Do not publish this file.                 *
******************************************************************************************
BANNER
fi
if [[ -n ${QAR_SIGN_PASSWORD:-} ]]; then
    # Through a file descriptor: a password never appears in a process list.
    signer+=(-readpass /dev/fd/3)
fi

rm -f "$out.tmp"
osslsigncode sign "${signer[@]}" -h sha256 -n "Modelprobe_u" -time "$epoch" \
    -in "$in" -out "$out.tmp" 3<<<"${QAR_SIGN_PASSWORD:-}" >/dev/null
mv "$out.tmp" "$out"
