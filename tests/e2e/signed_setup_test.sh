#!/usr/bin/env bash
# The setup signed as `make sign` signs it, with a throw-away self-signed key:
# osslsigncode verifies the signature, a changed byte breaks it, kvralign refuses
# the signed program and leaves it as it was, and the signed setup's first
# installation passes end to end. Runs inside tools/wine-test.sh (ctest).
#
#   tests/e2e/signed_setup_test.sh BUILD_DIR SETUP KVRALIGN
set -euo pipefail
build=$(realpath "$1") setup=$(realpath "$2") kvralign=$3
repo=$(dirname "$(dirname "$(dirname "$(realpath "$0")")")")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() { echo "signed-setup: $*" >&2; exit 1; }

openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Kestrova test signer" \
    -keyout "$work/key.pem" -out "$work/cert.pem" 2>/dev/null
signed=$work/$(basename "$setup")
cp "$setup" "$signed"
"$repo/tools/sign.sh" "$work/key.pem" "$work/cert.pem" "" "$signed" >/dev/null
osslsigncode verify -in "$signed" -CAfile "$work/cert.pem" >/dev/null ||
    fail "the signed setup does not verify"

# One byte in the middle of the program (its packages) changed.
changed=$work/changed.exe
cp "$signed" "$changed"
middle=$(( $(stat -c %s "$changed") / 2 ))
byte=$(od -An -tu1 -j "$middle" -N1 "$changed" | tr -d ' ')
printf "$(printf '\\%03o' $(( byte ^ 1 )))" |
    dd of="$changed" bs=1 seek="$middle" conv=notrunc status=none
if osslsigncode verify -in "$changed" -CAfile "$work/cert.pem" >/dev/null 2>&1; then
    fail "a changed byte still verifies"
fi

cp "$signed" "$work/before.exe"
if "$kvralign" "$signed" 2>/dev/null; then
    fail "kvralign accepted a signed program"
fi
cmp -s "$signed" "$work/before.exe" || fail "kvralign changed the signed program"

KVR_E2E_SETUP=$signed "$repo/tools/wine-e2e.sh" "$build" \
    --gtest_filter=SetupEndToEnd.FirstInstallationWithDefaultChoicesAndBothIcons
