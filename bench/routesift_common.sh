# Shared by the routesift benchmarks (sourced, not run): the build and work
# folders from the arguments, the listing generator and the timers.
#   $1 BUILD_DIR holding routesift (default build), $2 WORK_DIR for the
#   generated listings (default a temporary folder, removed afterwards);
#   RUNS runs of each timed command (default 3), the best one kept.
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
build=$(cd "${1:-$here/../build}" && pwd)
routesift="$build/routesift"
[[ -x $routesift ]] || { echo "no routesift in $build" >&2; exit 1; }
if [[ -n ${2:-} ]]; then
    work=$2
    mkdir -p "$work"
else
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
fi
runs=${RUNS:-3}

generate() { # routes file
    [[ -s $2 ]] || python3 "$here/gen_bgpdump.py" --routes "$1" --seed 7 -o "$2"
}

# "elapsed cpu": the shortest elapsed time and the shortest CPU time (user +
# system) of $runs runs, output to /dev/null. On a busy machine the CPU time
# is the fairer measure of what one core does.
best_time() {
    local best_e="" best_c="" e c
    for _ in $(seq "$runs"); do
        /usr/bin/time -f "%e %U %S" -o "$work/time.txt" "$@" > /dev/null 2> /dev/null
        read -r e u s < <(tail -n 1 "$work/time.txt")
        c=$(awk -v u="$u" -v s="$s" 'BEGIN { printf "%.2f", u + s }')
        if [[ -z $best_e ]] || awk -v a="$e" -v b="$best_e" 'BEGIN { exit !(a < b) }'; then best_e=$e; fi
        if [[ -z $best_c ]] || awk -v a="$c" -v b="$best_c" 'BEGIN { exit !(a < b) }'; then best_c=$c; fi
    done
    echo "$best_e $best_c"
}

# Peak resident memory in kB of one run.
peak_kb() {
    /usr/bin/time -v "$@" 2>&1 > /dev/null | awk -F': ' '/Maximum resident set size/ { print $2 }'
}


# Rows of the timing tables: a label with elapsed and CPU seconds, and the
# ratios of two such rows.
row() { printf '%-44s %8.2fs %8.2fs\n' "$1" "$2" "$3"; }
ratio() { # label a_e a_c b_e b_c
    awk -v l="$1" -v ae="$2" -v ac="$3" -v be="$4" -v bc="$5" \
        'BEGIN { printf "%-44s %8.2fx %8.2fx\n", l, ae / be, ac / bc }'
}
