#!/usr/bin/env bash
# Signs a Windows program with Authenticode (SHA-256) and an RFC 3161 timestamp, so that the
# signature stays valid after the certificate has expired.
#
# Usage: tools/sign.sh IN OUT WORK_DIR    signs IN into OUT
#        tools/sign.sh --check            exits 0 when a signing key is configured, else says why
#        tools/sign.sh --source           names the key configured: pkcs11, pkcs12, files or test
#
# The key, from the environment:
#   QAR_SIGN_PKCS11_MODULE=module.so QAR_SIGN_PKCS11_KEY=pkcs11:... QAR_SIGN_CERT=chain.pem
#       a key on a token or HSM, through its PKCS#11 module (publicly trusted code-signing keys
#       live in hardware); QAR_SIGN_PKCS11_KEY is the key's PKCS#11 URI (token, id or label);
#   QAR_SIGN_PKCS12=file.p12                          a PKCS#12 file (certificate, chain and key);
#   QAR_SIGN_CERT=chain.pem QAR_SIGN_KEY=key.pem      a certificate file and a key file;
#   QAR_TEST_SIGN=1                                   a test signature, never to be published:
#       a throwaway test CA, code-signing certificate and time-stamping authority in WORK_DIR.
# QAR_SIGN_CERT holds the signing certificate first, then its chain (the intermediate
# certificates), so that Windows can build the chain without fetching it.
# QAR_SIGN_PASSWORD: the key file's password or the token's PIN (passed on a file descriptor).
# QAR_SIGN_TIMESTAMP_URL: the RFC 3161 time-stamping server. A real release must set it: without
# a timestamp every installed copy's signature turns invalid the day the certificate expires.
# SOURCE_DATE_EPOCH, when set, is the signing-time attribute; otherwise the last commit's time.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)

# Which key the environment names: pkcs11, pkcs12, files, test or none.
key_source() {
    if [[ -n ${QAR_SIGN_PKCS11_MODULE:-} ]]; then
        echo pkcs11
    elif [[ -n ${QAR_SIGN_PKCS12:-} ]]; then
        echo pkcs12
    elif [[ -n ${QAR_SIGN_CERT:-} || -n ${QAR_SIGN_KEY:-} ]]; then
        echo files
    elif [[ ${QAR_TEST_SIGN:-} == 1 ]]; then
        echo test
    else
        echo none
    fi
}

fail() {
    echo "$(basename "$0"): $*" >&2
    exit 2
}

check_configuration() {
    case $(key_source) in
        none)
            fail "no signing key: set QAR_SIGN_PKCS11_MODULE, QAR_SIGN_PKCS11_KEY and QAR_SIGN_CERT" \
                "(a token or HSM), QAR_SIGN_PKCS12, or QAR_SIGN_CERT and QAR_SIGN_KEY;" \
                "or QAR_TEST_SIGN=1 for a test signature that must never be published" ;;
        pkcs11)
            [[ -n ${QAR_SIGN_PKCS11_KEY:-} && -n ${QAR_SIGN_CERT:-} ]] \
                || fail "QAR_SIGN_PKCS11_MODULE needs QAR_SIGN_PKCS11_KEY (the key's PKCS#11 URI)" \
                        "and QAR_SIGN_CERT (the certificate and its chain)" ;;
        files)
            [[ -n ${QAR_SIGN_CERT:-} && -n ${QAR_SIGN_KEY:-} ]] \
                || fail "QAR_SIGN_CERT and QAR_SIGN_KEY go together" ;;
        *) ;;
    esac
    if [[ -n ${QAR_SIGN_CERT:-} ]]; then
        check_chain "$QAR_SIGN_CERT"
    fi
}

# A certificate file with only a certificate that another one issued lacks its chain.
check_chain() {
    [[ -r $1 ]] || fail "certificate file $1 cannot be read"
    local count subject issuer
    count=$(grep -c -- "-----BEGIN CERTIFICATE-----" "$1" || true)
    subject=$(openssl x509 -in "$1" -noout -subject -nameopt RFC2253 | sed 's/^subject=//')
    issuer=$(openssl x509 -in "$1" -noout -issuer -nameopt RFC2253 | sed 's/^issuer=//')
    if ((count < 2)) && [[ $subject != "$issuer" ]]; then
        fail "$1 holds the signing certificate without its chain: append the intermediate" \
            "certificates that lead from it to the root"
    fi
}

# A throwaway test CA with a code-signing certificate and a time-stamping authority under it.
# They are made when first needed and are valid from that moment; the signing-time attribute
# (the commit's time) may lie before it, which Windows does not check. Never for a release.
make_test_authority() {
    local dir=$1
    [[ -f $dir/test-ca.crt ]] && return
    openssl req -x509 -newkey rsa:3072 -sha256 -nodes -days 36500 -keyout "$dir/test-ca.key" \
        -out "$dir/test-ca.crt" -subj "/CN=QAR test CA - NOT FOR RELEASE" \
        -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign" \
        2>/dev/null
    issue_test_certificate "$dir" signing "QAR test signing" "codeSigning"
    issue_test_certificate "$dir" tsa "QAR test time-stamping" "critical,timeStamping"
}

# DIR ROLE NAME USAGE: DIR/test-ROLE.key, its certificate from the test CA for the extended key
# USAGE, and DIR/test-ROLE-chain.pem (the certificate, then the CA's).
issue_test_certificate() {
    local dir=$1 role=$2 name=$3 usage=$4
    openssl req -newkey rsa:3072 -sha256 -nodes -keyout "$dir/test-$role.key" \
        -out "$dir/test-$role.csr" -subj "/CN=$name - NOT FOR RELEASE" 2>/dev/null
    openssl x509 -req -sha256 -days 36500 -in "$dir/test-$role.csr" -CA "$dir/test-ca.crt" \
        -CAkey "$dir/test-ca.key" -set_serial "0x$(openssl rand -hex 8)" \
        -extfile <(printf 'keyUsage=critical,digitalSignature\nextendedKeyUsage=%s\n' "$usage") \
        -out "$dir/test-$role.crt" 2>/dev/null
    cat "$dir/test-$role.crt" "$dir/test-ca.crt" >"$dir/test-$role-chain.pem"
}

test_banner() {
    cat >&2 <<BANNER
******************************************************************************************
*  TEST-SIGNED (QAR_TEST_SIGN=1): $(basename "$1") is signed by a throwaway test CA.
*  Windows will show "Unknown publisher". Do not publish this file.
******************************************************************************************
BANNER
}

case ${1:-} in
    --check) check_configuration; exit 0 ;;
    --source) check_configuration; key_source; exit 0 ;;
esac
if (($# != 3)); then
    echo "usage: $0 IN OUT WORK_DIR | $0 --check" >&2
    exit 2
fi
in=$1
out=$2
work=$3
check_configuration
epoch=${SOURCE_DATE_EPOCH:-$(git -C "$root" log -1 --format=%ct)}
mkdir -p "$work"

signer=()
case $(key_source) in
    pkcs11) signer=(-pkcs11module "$QAR_SIGN_PKCS11_MODULE" -certs "$QAR_SIGN_CERT"
                    -key "$QAR_SIGN_PKCS11_KEY") ;;
    pkcs12) signer=(-pkcs12 "$QAR_SIGN_PKCS12") ;;
    files) signer=(-certs "$QAR_SIGN_CERT" -key "$QAR_SIGN_KEY") ;;
    test)
        make_test_authority "$work"
        signer=(-certs "$work/test-signing-chain.pem" -key "$work/test-signing.key")
        test_banner "$out" ;;
esac
if [[ -n ${QAR_SIGN_PASSWORD:-} ]]; then
    # Through a file descriptor: a password or PIN never appears in a process list.
    signer+=(-readpass /dev/fd/3)
fi

timestamp=()
if [[ -n ${QAR_SIGN_TIMESTAMP_URL:-} ]]; then
    timestamp=(-ts "$QAR_SIGN_TIMESTAMP_URL")
elif [[ $(key_source) == test ]]; then
    # The test authority answers in place of a server, with the time of signing.
    timestamp=(-TSA-certs "$work/test-tsa-chain.pem" -TSA-key "$work/test-tsa.key"
               -TSA-time "$(date +%s)")
else
    echo "$(basename "$0"): WARNING: no QAR_SIGN_TIMESTAMP_URL, so no timestamp: the signature" \
        "ends with the certificate's validity. A release must be timestamped." >&2
fi

rm -f "$out.tmp"
if ! osslsigncode sign "${signer[@]}" "${timestamp[@]}" -h sha256 -n "Modelprobe_u" \
    -time "$epoch" -in "$in" -out "$out.tmp" 3<<<"${QAR_SIGN_PASSWORD:-}" >"$work/sign.log" 2>&1; then
    cat "$work/sign.log" >&2
    rm -f "$out.tmp"
    fail "signing $in failed${QAR_SIGN_TIMESTAMP_URL:+ (timestamp server $QAR_SIGN_TIMESTAMP_URL)}"
fi
mv "$out.tmp" "$out"
