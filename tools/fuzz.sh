#!/usr/bin/env bash
# Fuzzes the package reader, kvrpack's list and verify and the switch grammars
# of the setup and the uninstaller (tests/fuzz) with libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer, natively with clang.
#
#   tools/fuzz.sh BUILD SECONDS [ARCHIVE...]
#
# Builds the targets in BUILD/fuzz, replays the committed corpus (tests/fuzz/corpus)
# through all of them, then fuzzes them at once for SECONDS, starting from that
# corpus and from seeds made of each ARCHIVE (a real package archive with key 0): its entries
# cut to 16 bytes and packed again by BUILD/host/kvrpack, plain and scrambled. New
# inputs collect in BUILD/fuzz/work, findings in BUILD/fuzz/findings. Exits 1 on a
# finding. Where clang cannot link a libFuzzer program it says so and exits 0.
set -euo pipefail

build=$(realpath "$1")
seconds=$2
shift 2
root=$(dirname "$(dirname "$(realpath "$0")")")
out="$build/fuzz"
corpus="$root/tests/fuzz/corpus"
targets=(package_format_fuzz kvrpack_fuzz install_switches_fuzz uninstall_switches_fuzz)
mkdir -p "$out"

probe="$out/probe"
printf '#include <cstddef>\n#include <cstdint>\nextern "C" int LLVMFuzzerTestOneInput(const uint8_t*, size_t) { return 0; }\n' >"$probe.cpp"
if ! clang++ -fsanitize=fuzzer,address,undefined "$probe.cpp" -o "$probe" >/dev/null 2>&1; then
    echo "fuzz: skipped, clang++ cannot build a libFuzzer program here (clang and libclang-rt-dev missing?)"
    exit 0
fi

CXX=clang++ cmake -S "$root/tests/fuzz" -B "$out" >/dev/null
cmake --build "$out" -j 2 >/dev/null

for target in "${targets[@]}"; do
    if ! "$out/$target" "$corpus"/* >"$out/$target-replay.log" 2>&1; then
        tail -n 30 "$out/$target-replay.log"
        echo "fuzz: $target fails on the committed corpus (log: $out/$target-replay.log)"
        exit 1
    fi
done
echo "fuzz: committed corpus replayed: $(ls "$corpus" | wc -l) inputs through ${targets[*]}"

seeds="$out/seeds"
rm -rf "$seeds"
mkdir -p "$seeds"
for archive in "$@"; do
    [ -f "$archive" ] && [ "$(head -c 1 "$archive" | od -An -tu1 | tr -d ' ')" = 0 ] || continue
    name=$(basename "$archive" .bin)
    parts="$seeds/$name.parts"
    mkdir -p "$parts"
    "$build/host/kvrpack" list "$archive" | while IFS=$'\t' read -r index position size entry; do
        dd if="$archive" of="$parts/$index" bs=1 skip=$((position + 1)) \
            count=$((size < 16 ? size : 16)) status=none
        printf '%s\t%s\n' "$entry" "$index" >>"$parts/list"
    done
    "$build/host/kvrpack" build "$parts/list" "$seeds/$name-cut" >/dev/null
    "$build/host/kvrpack" build "$parts/list" "$seeds/$name-cut-scrambled" --key 167 >/dev/null
    rm -rf "$parts"
done

rm -rf "$out/findings"
mkdir -p "$out/findings"
pids=()
for target in "${targets[@]}"; do
    mkdir -p "$out/work/$target"
    "$out/$target" -max_total_time="$seconds" -max_len=16384 -timeout=10 -print_final_stats=1 \
        -artifact_prefix="$out/findings/$target-" "$out/work/$target" "$corpus" "$seeds" \
        >"$out/$target.log" 2>&1 &
    pids+=($!)
done
failed=0
for i in "${!targets[@]}"; do
    target=${targets[$i]}
    log="$out/$target.log"
    if wait "${pids[$i]}"; then
        status="no finding"
    else
        status="FINDING (log: $log)"
        failed=1
    fi
    execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
    progress=$(grep -E '^#[0-9]+' "$log" | tail -n 1 | grep -oE 'cov: [0-9]+ ft: [0-9]+ corp: [0-9]+' || true)
    echo "fuzz: $target, ${seconds} s: ${execs:-?} runs (${rate:-?}/s), $progress: $status"
done
if [ "$failed" -ne 0 ]; then
    ls "$out/findings"
    exit 1
fi
