#!/usr/bin/env bash
# Writes a benchmark payload into FOLDER: 1,000 files of 1 byte to LARGEST bytes
# (default 204800: about 100 MB in all) of random bytes, in ten folders three
# levels deep, and FOLDER/list, a kvrpack list that names each parent folder's
# files first.
#
#   tools/make-bench-payload.sh FOLDER [LARGEST]
set -euo pipefail

folder=$1
largest=${2:-204800}
rm -rf "$folder"
mkdir -p "$folder/files"
list="$folder/list"
: >"$list"
index=0

# One file of the payload, named $1 in the archive.
add() {
    local size=$(((index * 2654435761 % largest) + 1))
    head -c "$size" /dev/urandom >"$folder/files/$index"
    printf '%s\tfiles/%s\n' "$1" "$index" >>"$list"
    index=$((index + 1))
}

for a in $(seq 0 9); do
    for f in $(seq 0 19); do add "Docs$a\\page$f.htm"; done
    for b in $(seq 0 3); do
        for f in $(seq 0 9); do add "Docs$a\\Part$b\\page$f.htm"; done
        for c in 0 1; do
            for f in $(seq 0 4); do add "Docs$a\\Part$b\\Pics$c\\image$f.bmp"; done
        done
    done
done
