#!/usr/bin/env bash
# Builds the release a second time in a fresh folder and compares it, byte for
# byte, with this tree's existing build (make repro runs make dist first): both
# setups (dist/) and the packages and digests that each carries. Prints the first
# differing offsets of every file that differs and exits with 1 then; 0 when all
# are identical.
#
#   tools/repro.sh BUILD_DIR [CMAKE_OPTION...]   (make repro; options: the payload
#                                                 lists and the signing key)
#
# The second build is a clone of HEAD in a temporary folder; when this tree holds
# changes that are not committed, it is a copy of its files instead (tracked and
# untracked, ignored ones left out), so that it builds what dist/ was built from.
# Only the two setups are built there, each target once. The host tools
# (kvrpack, kvralign...) are BUILD_DIR/host's when that is a Release build of
# every one of them, as make's host target leaves it: they only run, their
# output is what is compared; otherwise they are built there too. Both builds
# take SOURCE_DATE_EPOCH from the environment, else the commit's time.
set -euo pipefail
repo=$(dirname "$(dirname "$(realpath "$0")")")
build=$(realpath "$1")
shift
jobs=${JOBS:-2}
work=$(mktemp -d "${TMPDIR:-/tmp}/kvr-repro.XXXXXX")
trap 'rm -rf "$work"' EXIT
started=$(date +%s)

export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git -C "$repo" log -1 --format=%ct)}
if [ -z "$(git -C "$repo" status --porcelain)" ]; then
    git clone -q --no-hardlinks "$repo" "$work/src"
else
    echo "repro: the tree has changes that are not committed: building a copy of its files"
    mkdir "$work/src"
    git -C "$repo" ls-files -z --cached --others --exclude-standard |
        (cd "$repo" && xargs -0 cp --parents -t "$work/src" 2>/dev/null || true)
fi

second=$work/src/build
host_tools=(kvrpack kvrpayload kvrart kvrscramble kvralign kvrdigest)
host=$build/host
for tool in "${host_tools[@]}"; do
    [ -x "$host/$tool" ] || host=""
done
if [ -z "$host" ] || ! grep -qx 'CMAKE_BUILD_TYPE:STRING=Release' "$build/host/CMakeCache.txt" 2>/dev/null; then
    host=$second/host
    cmake -S "$work/src/tools" -B "$host" -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build "$host" -j "$jobs" --target "${host_tools[@]}" >/dev/null
fi
echo "repro: host tools from ${host#"$repo"/}"
for target in win32 win64; do
    cmake -S "$work/src" -B "$second/$target" \
        -DCMAKE_TOOLCHAIN_FILE="$work/src/cmake/toolchain-$target.cmake" \
        -DCMAKE_BUILD_TYPE=Release -DKVR_HOST_TOOLS_DIR="$host" "$@" >/dev/null
    cmake --build "$second/$target" -j "$jobs" --target KestrovaSetup >/dev/null
done

status=0
compare() {
    if cmp -s "$1" "$2"; then
        echo "identical: ${1#"$repo"/}"
        return
    fi
    status=1
    echo "DIFFERS:   ${1#"$repo"/} ($(stat -c %s "$1") and $(stat -c %s "$2") bytes)"
    cmp -l "$1" "$2" 2>/dev/null | head -n 8 |
        awk '{ printf "    offset 0x%X: byte %s vs %s (octal)\n", $1 - 1, $2, $3 }'
}
compare "$repo/dist/KestrovaSetup.exe" "$second/win32/bin/KestrovaSetup.exe"
compare "$repo/dist/KestrovaSetup-x64.exe" "$second/win64/bin/KestrovaSetup-x64.exe"
# The packages each setup carries: the payload lists' (generated/release/) or the
# stand-in's.
for target in win32 win64; do
    packages=$second/$target/generated
    [ -d "$packages/release" ] && packages=$packages/release
    for file in "$packages"/package*.bin; do
        compare "$build/$target/generated/${file#"$second/$target/generated/"}" "$file"
    done
done
echo "repro: second build and comparison took $(( $(date +%s) - started )) s"
exit $status
