#!/usr/bin/env bash
# Signs setup programs in place with osslsigncode: Authenticode, SHA-256, the
# caller's key and certificate (PEM files), and a time stamp from the server at
# TIMESTAMP_URL when one is given ("" for none).
#
#   tools/sign.sh KEY CERT TIMESTAMP_URL PROGRAM...
#
# Signing is the last change of a program: kvralign, which moves its resources and
# writes its checksum, refuses a signed one. Without a time stamp the signing time
# written is SOURCE_DATE_EPOCH, by default the commit's time, so that signing the
# same program with the same key gives the same bytes. A program that cannot be
# signed is left as it was; the script then exits with 1.
set -euo pipefail
if [ $# -lt 4 ] || [ -z "$1" ] || [ -z "$2" ]; then
    echo "usage: tools/sign.sh KEY CERT TIMESTAMP_URL PROGRAM...  (make sign KEY=... CERT=... [TIMESTAMP=URL])" >&2
    exit 2
fi
key=$1 cert=$2 timestamp=$3
shift 3
repo=$(dirname "$(dirname "$(realpath "$0")")")
epoch=${SOURCE_DATE_EPOCH:-$(git -C "$repo" log -1 --format=%ct 2>/dev/null || echo 1577836800)}
options=(-key "$key" -certs "$cert" -h sha256 -n "Kestrova Setup")
if [ -n "$timestamp" ]; then
    options+=(-ts "$timestamp")
else
    options+=(-time "$epoch")
fi
for program in "$@"; do
    part=$program.sign-part
    rm -f "$part"
    if ! osslsigncode sign "${options[@]}" -in "$program" -out "$part" >/dev/null; then
        rm -f "$part"
        echo "sign: cannot sign $program" >&2
        exit 1
    fi
    mv "$part" "$program"
    echo "signed $program"
done
