#!/bin/sh
# Scale of whole scenes: bench_scale (see bench_scale.cpp) for each shape and size, the median
# of SCALE_REPEAT runs (default 3) for every column.
#
#   bench/scale.sh [BENCH_SCALE] [SIZES...]      (default build/bench/bench_scale, 1000 10000 100000)
#   SCALE_SHAPES="plain nested chain" SCALE_REPEAT=5 bench/scale.sh
#
# Columns: processor seconds of each step (create, set, save, load, shader) and their total,
# and heap bytes per node after "create". Nested and chain shapes run at the sizes in
# SCALE_DEEP (default 10000).
set -eu

here=$(cd "$(dirname "$0")/.." && pwd)
driver=${1:-$here/build/bench/bench_scale}
[ $# -gt 0 ] && shift
sizes=${*:-1000 10000 100000}
shapes=${SCALE_SHAPES:-plain nested chain}
deep=${SCALE_DEEP:-10000}
repeat=${SCALE_REPEAT:-3}
runs=$(mktemp)
trap 'rm -f "$runs"' EXIT

printf '%-7s %7s %8s %8s %8s %8s %8s %8s %9s\n' shape nodes create set save load shader total bytes/node
for shape in $shapes; do
    case $shape in
    plain) list=$sizes ;;
    *) list=$deep ;;
    esac
    for n in $list; do
        : >"$runs"
        i=0
        while [ $i -lt "$repeat" ]; do
            "$driver" "$shape" "$n" >>"$runs"
            i=$((i + 1))
        done
        # The median of each column on its own.
        for column in 3 4 5 6 7 8 9; do
            awk -v c=$column '{ print $c }' "$runs" | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'
        done | paste -sd' ' | awk -v s="$shape" -v n="$n" '{ printf "%-7s %7d %8.3f %8.3f %8.3f %8.3f %8.3f %8.3f %9.0f\n", s, n, $1, $2, $3, $4, $5, $6, $7 }'
    done
done
