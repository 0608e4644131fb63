#!/usr/bin/env bash
# Signs copies of AUTORUN.EXE the way the build signs its programs, with a
# throw-away self-signed code-signing certificate: once from a PKCS#12 file
# with a password, once from a PEM pair. Leaves the signed copies in
# BUILD_DIR/signed for the end-to-end run of one of them.
# Usage: sign_test.sh SOURCE_DIR BUILD_DIR
set -euo pipefail
source=$1
build=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

openssl req -x509 -newkey rsa:2048 -sha256 -days 2 -nodes -subj "/CN=Disc launcher test signing" \
    -addext "keyUsage=critical,digitalSignature" -addext "extendedKeyUsage=codeSigning" \
    -keyout "$work/key.pem" -out "$work/cert.pem" 2>/dev/null
printf 'throw-away\n' >"$work/password"
openssl pkcs12 -export -inkey "$work/key.pem" -in "$work/cert.pem" \
    -passout "file:$work/password" -out "$work/cert.p12"

if osslsigncode verify -in "$build/AUTORUN.EXE" >"$work/report" 2>&1; then
    fail "the build was configured without a certificate, yet AUTORUN.EXE is signed"
fi

sign() { cmake -DFILE="$1" -DDESCRIPTION="Installation disc launcher" "${@:2}" \
    -P "$source/cmake/sign-file.cmake"; }

rm -rf "$build/signed"
for way in pkcs12 pem; do
    copy=$build/signed/$way/AUTORUN.EXE
    mkdir -p "$(dirname "$copy")"
    cp "$build/AUTORUN.EXE" "$copy"
    case $way in
    pkcs12) sign "$copy" -DPKCS12="$work/cert.p12" -DPASSWORD_FILE="$work/password" ;;
    pem) sign "$copy" -DCERT="$work/cert.pem" -DKEY="$work/key.pem" ;;
    esac
    osslsigncode verify -in "$copy" -CAfile "$work/cert.pem" >"$work/report" 2>&1 ||
        { cat "$work/report"; fail "$way: the signature does not verify"; }
    grep -q "Signature verification: ok" "$work/report" || fail "$way: no verified signature"
    grep -Eq "Message digest algorithm *: SHA256" "$work/report" || fail "$way: not SHA-256"
    grep -q "Disc launcher test signing" "$work/report" || fail "$way: another signer"
    echo "$way: signed and verified"
done

# A signing that fails leaves the program exactly as it was, and nothing beside it.
copy=$build/signed/refused/AUTORUN.EXE
mkdir -p "$(dirname "$copy")"
cp "$build/AUTORUN.EXE" "$copy"
printf 'wrong\n' >"$work/wrong"
if sign "$copy" -DPKCS12="$work/cert.p12" -DPASSWORD_FILE="$work/wrong" >"$work/report" 2>&1; then
    fail "a wrong password signed"
fi
cmp -s "$build/AUTORUN.EXE" "$copy" || fail "a failed signing changed the program"
[ "$(ls "$(dirname "$copy")")" = AUTORUN.EXE ] || fail "a failed signing left a file behind"
echo "wrong password: refused, program unchanged"
