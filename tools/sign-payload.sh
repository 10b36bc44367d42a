#!/usr/bin/env bash
# Signs the programs of a payload list before they are packed: every entry whose
# name in the package ends in .exe or .dll (without regard to case), or whose
# source is a Windows program under another name (it starts with "MZ", like the
# driver library __cdca.lx), is copied
# into FOLDER (as FOLDER/<name>, backslashes as folders) and the copy signed with
# tools/sign.sh. OUT_LIST is the list again, line for line, with those entries
# naming the signed copies and every source made absolute (a relative one is
# taken from LIST's folder, as kvrpack takes it), so that kvrpack reads it from
# anywhere and still reports the list's own line numbers. The sources are not
# changed; FOLDER is emptied first.
#
#   tools/sign-payload.sh LIST FOLDER OUT_LIST KEY CERT [TIMESTAMP_URL]
#
# Exits 1 with sign.sh's message when a program cannot be signed (OUT_LIST is then
# not written), 2 on a usage error.
set -euo pipefail
if [ $# -lt 5 ] || [ $# -gt 6 ]; then
    echo "usage: tools/sign-payload.sh LIST FOLDER OUT_LIST KEY CERT [TIMESTAMP_URL]" >&2
    exit 2
fi
list=$1 folder=$2 out=$3 key=$4 cert=$5 timestamp=${6:-}
tools=$(dirname "$(realpath "$0")")
# Relative sources start from the list's own folder, as kvrpack reads them (not from
# the folder of a file the list is a link to).
base=$(realpath "$(dirname "$list")")

rm -rf "$folder"
mkdir -p "$folder"
folder=$(realpath "$folder")
part=$out.sign-part
trap 'rm -f "$part"' EXIT
programs=()
: >"$part"
while IFS= read -r line || [ -n "$line" ]; do
    if [[ $line != *$'\t'* ]]; then
        printf '%s\n' "$line" >>"$part"
        continue
    fi
    name=${line%%$'\t'*}
    source=${line#*$'\t'}
    source=${source%$'\r'}
    [[ $source = /* ]] || source=$base/$source
    shopt -s nocasematch
    if [[ $name = *.exe || $name = *.dll ]] || [ "$(head -c 2 "$source" 2>/dev/null)" = MZ ]; then
        copy=$folder/${name//\\//}
        mkdir -p "$(dirname "$copy")"
        cp "$source" "$copy"
        programs+=("$copy")
        source=$copy
    fi
    shopt -u nocasematch
    printf '%s\t%s\n' "$name" "$source" >>"$part"
done <"$list"

if [ ${#programs[@]} -gt 0 ] &&
    ! "$tools/sign.sh" "$key" "$cert" "$timestamp" "${programs[@]}" >/dev/null; then
    exit 1
fi
mv "$part" "$out"
echo "sign-payload: signed ${#programs[@]} programs of $list"
