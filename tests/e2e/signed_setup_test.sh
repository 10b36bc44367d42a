#!/usr/bin/env bash
# A release signed as `make sign` signs it, with the build's throw-away
# self-signed key: SETUP carries packages built from signed copies of the
# payload's programs (PACKAGE_LIST names them) and is signed here, last.
# osslsigncode verifies the setup, a changed byte breaks it, kvralign refuses the
# signed setup with its reason and leaves it as it was, the signed setup's first
# installation passes end to end (every installed file as the list's), and every
# installed .exe and .dll verifies from the host side. Runs inside
# tools/wine-test.sh (ctest).
#
#   tests/e2e/signed_setup_test.sh BUILD_DIR SETUP PACKAGE_LIST KEY CERT KVRALIGN
set -euo pipefail
build=$(realpath "$1") setup=$(realpath "$2") package_list=$3 key=$4 cert=$5 kvralign=$6
repo=$(dirname "$(dirname "$(dirname "$(realpath "$0")")")")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() { echo "signed-setup: $*" >&2; exit 1; }
verifies() { osslsigncode verify -in "$1" -CAfile "$cert" >/dev/null 2>&1; }

signed=$work/$(basename "$setup")
cp "$setup" "$signed"
"$repo/tools/sign.sh" "$key" "$cert" "" "$signed" >/dev/null
verifies "$signed" || fail "the signed setup does not verify"

# One byte in the middle of the program (its packages) changed.
changed=$work/changed.exe
cp "$signed" "$changed"
middle=$(( $(stat -c %s "$changed") / 2 ))
byte=$(od -An -tu1 -j "$middle" -N1 "$changed" | tr -d ' ')
printf "$(printf '\\%03o' $(( byte ^ 1 )))" |
    dd of="$changed" bs=1 seek="$middle" conv=notrunc status=none
if verifies "$changed"; then
    fail "a changed byte still verifies"
fi

cp "$signed" "$work/before.exe"
if "$kvralign" "$signed" 2>"$work/kvralign.txt"; then
    fail "kvralign accepted a signed program"
fi
grep -q "the program is signed" "$work/kvralign.txt" ||
    fail "kvralign refused the signed program without saying so: $(cat "$work/kvralign.txt")"
cmp -s "$signed" "$work/before.exe" || fail "kvralign changed the signed program"

prefix_name=e2e-signed-prefix
KVR_E2E_SETUP=$signed KVR_E2E_PACKAGE_LIST=$package_list "$repo/tools/wine-e2e.sh" "$build" \
    --prefix-name=$prefix_name \
    --gtest_filter=SetupEndToEnd.FirstInstallationWithDefaultChoicesAndBothIcons

# The install folder (the user's local application data, Kestrova) as the host sees it.
installed=$(find "$build/wine-rig/$prefix_name/drive_c/users" -path '*/Kestrova/kvr.exe' -print -quit)
[ -n "$installed" ] || fail "no installed kvr.exe below the prefix"
folder=$(dirname "$installed")
programs=0
while IFS=$'\t' read -r name _; do
    installed_file=$folder/${name//\\//}
    shopt -s nocasematch
    if [[ $name = *.exe || $name = *.dll ]] || [ "$(head -c 2 "$installed_file")" = MZ ]; then
        verifies "$installed_file" || fail "the installed $name does not verify"
        programs=$((programs + 1))
    fi
    shopt -u nocasematch
done <"$package_list"
[ "$programs" -gt 0 ] || fail "the package list names no program"
echo "signed-setup: the setup and its $programs installed programs verify"
