#!/usr/bin/env bash
# Runs the benchmark program of each build under Wine (tools/wine-test.sh, in the
# build's own prefix) and prints one table with a column per build, each cell the
# ratio of a measurement to the baseline taken beside it in the same run. The table
# also goes to OUT/bench.csv, each build's raw rows to OUT/<name>.txt; their notes
# (a breakdown of the engine's time) follow the table. Each build also gets the
# peer installer (tools/nsis-peer.sh, the stand-in files with the matching stub)
# beside its benchmark, rows for the size of its setup beyond the payload against
# the peer's, the rows of that setup's wizard (bench/wizard_bench.cpp), its
# unattended installation against the peer's silent one (the stand-in and the large
# payload), and its start against the peer's with each generated payload (kvr_setup_medium and
# kvr_setup_large of RELEASE_DIR, each peer built from the same files). The
# setup is RELEASE_DIR's where one is given (the release build, whose runtime and
# link options differ from the test build's), else BUILD_DIR's. A build given with
# --sizes gets only the size rows. A 32-bit build on a kernel without 32-bit
# support gets only its size rows (tools/wine-test.sh says so).
#
#   tools/bench.sh OUT NAME=BUILD_DIR[,RELEASE_DIR]... [--sizes NAME=BUILD_DIR...]
#   e.g. tools/bench.sh build/bench x64=build/win64 win32=build/win32test,build/win32
set -euo pipefail

out=$1
shift
tools=$(dirname "$(realpath "$0")")
mkdir -p "$out"

# Bytes of the files named by a kvrpack list.
payload_bytes() {
    local total=0 name source
    while IFS=$'\t' read -r name source; do
        [ -n "$name" ] && total=$((total + $(stat -c %s "$source")))
    done <"$1"
    echo "$total"
}

# The setup program's name in a build's bin folder.
setup_name() {
    if [ -f "$1/bin/KestrovaSetup-x64.exe" ]; then echo KestrovaSetup-x64.exe; else echo KestrovaSetup.exe; fi
}

# Builds BUILD/bin/kvr_peer.exe and appends the size rows of RELEASE's setup to FILE.
peer_and_sizes() {
    local build=$1 release=$2 file=$3 setup stub=x86-unicode
    setup=$(setup_name "$release")
    [ "$setup" = KestrovaSetup.exe ] || stub=amd64-unicode
    "$tools/nsis-peer.sh" "$build/generated/package135.list" "$stub" "$build/bin/kvr_peer.exe"
    local files
    files=$(payload_bytes "$build/generated/package135.list")
    local ours=$(($(stat -c %s "$release/bin/$setup") - files -
                  $(payload_bytes "$build/generated/package139.list")))
    local peer=$(($(stat -c %s "$build/bin/kvr_peer.exe") - files))
    echo "row;4size;setup beyond its payload vs the NSIS peer (same architecture) beyond the same files;$((ours / 1024));$((peer / 1024));KB;0" >>"$file"
    if [ "$stub" = x86-unicode ]; then
        echo "row;4size-limit;32-bit setup beyond its payload vs the 100 KB allowance;$((ours / 1024));100;KB;1" >>"$file"
    fi
}

# Appends to FILE the start-to-first-page rows of RELEASE's setups that carry the
# generated payloads (kvr_setup_medium, kvr_setup_large) against the peer built
# from the same files, run by BUILD's benchmark program.
start_at_payload_sizes() {
    local build=$1 release=$2 file=$3 log=$4 label stub=x86-unicode setup peer
    [ "$(setup_name "$release")" = KestrovaSetup.exe ] || stub=amd64-unicode
    for label in medium large; do
        setup="$release/bin/kvr_setup_$label.exe"
        peer="$build/bin/kvr_peer_$label.exe"
        "$tools/nsis-peer.sh" "$release/generated/payload-$label/list" "$stub" "$peer"
        if ! "$tools/wine-test.sh" "$build" --run "$build/bin/kvr_bench.exe" startpeer "$label" \
            "Z:${setup//\//\\}" "Z:${peer//\//\\}" >>"$file" 2>>"$log"; then
            cat "$file" "$log" >&2
            echo "bench: the $label payload's start rows failed" >&2
            exit 1
        fi
        [ "$label" = large ] && unattended_against_peer large "$build" "$setup" "$peer" "$file" "$log"
    done
}

# Appends to FILE the unattended installation row of SETUP against PEER (same files).
unattended_against_peer() {
    local label=$1 build=$2 setup=$3 peer=$4 file=$5 log=$6
    if ! "$tools/wine-test.sh" "$build" --run "$build/bin/kvr_bench.exe" silentpeer "$label" \
        "Z:${setup//\//\\}" "Z:${peer//\//\\}" >>"$file" 2>>"$log"; then
        cat "$file" "$log" >&2
        echo "bench: the $label unattended installation row failed" >&2
        exit 1
    fi
}

# Milliseconds per megabyte that sha256sum takes over FILE, the median of 31 runs
# (each with its process start, as a build step pays it).
sha256sum_ms_per_mb() {
    local file=$1 size runs=() i start
    size=$(stat -c %s "$file")
    for i in $(seq 31); do
        start=$(date +%s%N)
        sha256sum "$file" >/dev/null
        runs+=($(( $(date +%s%N) - start )))
    done
    printf '%s\n' "${runs[@]}" | sort -n | sed -n 16p |
        awk -v size="$size" '{ printf "%.3f", $1 / 1e6 / (size / 1048576) }'
}

names=()
sizes_only=""
for column in "$@"; do
    if [ "$column" = --sizes ]; then
        sizes_only=1
        continue
    fi
    name=${column%%=*}
    dirs=${column#*=}
    build=$(realpath "${dirs%%,*}")
    release=$(realpath "${dirs#*,}")
    : >"$out/$name.txt"
    peer_and_sizes "$build" "$release" "$out/$name.sizes"
    if [ -z "$sizes_only" ]; then
        echo "bench: running $name ($build/bin/kvr_bench.exe)..."
        setup=$(realpath "$release/bin/$(setup_name "$release")")
        # The digest rows' baselines: the stand-in package and the large one.
        if ! KVR_SHA256SUM_MS_PER_MB_STANDIN=$(sha256sum_ms_per_mb "$build/generated/package135.bin") \
            KVR_SHA256SUM_MS_PER_MB_LARGE=$(sha256sum_ms_per_mb "$build/generated/package-large.bin") \
            "$tools/wine-test.sh" "$build" --run "$build/bin/kvr_bench.exe" "Z:${setup//\//\\}" \
            >"$out/$name.txt" 2>"$out/$name.log"; then
            cat "$out/$name.txt" "$out/$name.log" >&2
            echo "bench: $name failed" >&2
            exit 1
        fi
    fi
    if [ -z "$sizes_only" ]; then
        unattended_against_peer standin "$build" "$setup" "$build/bin/kvr_peer.exe" \
            "$out/$name.txt" "$out/$name.log"
        start_at_payload_sizes "$build" "$release" "$out/$name.txt" "$out/$name.log"
    fi
    cat "$out/$name.sizes" >>"$out/$name.txt"
    rm -f "$out/$name.sizes"
    names+=("$name")
done

# Rows in the order of the first build; a row that a build lacks shows "-".
files=()
for name in "${names[@]}"; do files+=("$out/$name.txt"); done
awk -F';' -v names="${names[*]}" -v csv="$out/bench.csv" '
    FNR == 1 { column++ }
    $1 != "row" { next }
    {
        id = $2
        if (!(id in what)) { order[++rows] = id; what[id] = $3; limit[id] = $7 + 0 }
        measured[id, column] = $4 + 0; baseline[id, column] = $5 + 0; unit[id, column] = $6
        present[id, column] = 1
    }
    END {
        count = split(names, name, " ")
        header = "row,what,largest ratio"
        for (c = 1; c <= count; c++)
            header = header "," name[c] " measured," name[c] " baseline," name[c] " unit," \
                     name[c] " ratio," name[c] " met"
        print header > csv
        printf "%-15s %-86s %-7s", "row", "measured vs baseline", "target"
        for (c = 1; c <= count; c++) printf " %-30s", name[c]
        printf "\n"
        for (r = 1; r <= rows; r++) {
            id = order[r]
            target = limit[id] > 0 ? sprintf("<=%.2fx", limit[id]) : "-"
            line = sprintf("%-15s %-86s %-7s", id, what[id], target)
            record = id ",\"" what[id] "\"," (limit[id] > 0 ? limit[id] : "")
            for (c = 1; c <= count; c++) {
                if (!present[id, c]) { line = line sprintf(" %-30s", "-"); record = record ",,,,,"; continue }
                ratio = baseline[id, c] > 0 ? measured[id, c] / baseline[id, c] : 0
                met = limit[id] > 0 ? (ratio <= limit[id] ? "met" : "MISSED") : ""
                cell = sprintf("%.2fx (%.2f/%.2f %s) %s", ratio, measured[id, c], baseline[id, c],
                               unit[id, c], met)
                line = line sprintf(" %-30s", cell)
                record = record "," measured[id, c] "," baseline[id, c] "," unit[id, c] "," \
                         sprintf("%.3f", ratio) "," met
            }
            print line
            print record > csv
        }
    }' "${files[@]}"
for name in "${names[@]}"; do
    sed -n "s/^note;/$name: /p" "$out/$name.txt"
done
echo "bench: table written to $out/bench.csv"
