#!/usr/bin/env bash
# Runs the benchmark program of each build under Wine (tools/wine-test.sh, in the
# build's own prefix) and prints one table with a column per build, each cell the
# ratio of a measurement to the baseline taken beside it in the same run. The table
# also goes to OUT/bench.csv, each build's raw rows to OUT/<name>.txt; their notes
# (a breakdown of the engine's time) follow the table.
#
#   tools/bench.sh OUT NAME=BUILD_DIR...   e.g. tools/bench.sh build/bench x64=build/win64
set -euo pipefail

out=$1
shift
tools=$(dirname "$(realpath "$0")")
mkdir -p "$out"
names=()
for column in "$@"; do
    name=${column%%=*}
    build=$(realpath "${column#*=}")
    echo "bench: running $name ($build/bin/kvr_bench.exe)..."
    if ! "$tools/wine-test.sh" "$build" --run "$build/bin/kvr_bench.exe" >"$out/$name.txt" 2>"$out/$name.log"; then
        cat "$out/$name.txt" "$out/$name.log" >&2
        echo "bench: $name failed" >&2
        exit 1
    fi
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
