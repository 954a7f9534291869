#!/usr/bin/env bash
# What --modern and 32-bit AS numbers cost routesift, as ratios measured in
# one run:
#   1. --modern against the default mode on the generated 1,000,000-route
#      listing (one AS in six 32-bit: the default mode refuses those routes)
#      and on an all-16-bit listing of the same size (same work in both modes);
#   2. the default mode against an earlier routesift binary (BASE, optional)
#      and against mawk (or awk) printing the path column, the anchor;
#   3. --group peak memory on a listing where 40% of the paths carry a 32-bit
#      AS against an all-16-bit listing of the same shape.
#
#   bench/routesift_modern.sh [BUILD_DIR] [WORK_DIR] [BASE_ROUTESIFT]
#
# BASE_ROUTESIFT is a routesift built from an earlier commit, for example
#   git archive <commit> | tar -x -C /tmp/base && cmake -S /tmp/base -B /tmp/base/build \
#     -DCMAKE_BUILD_TYPE=Release && cmake --build /tmp/base/build --target routesift
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
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
base=${3:-}
runs=${RUNS:-5}
awk_bin=$(command -v mawk || command -v awk)

generate() { # file, then generator options
    local file=$1
    shift
    [[ -s $file ]] || python3 "$here/gen_bgpdump.py" --routes 1000000 --seed 7 "$@" -o "$file"
}

# Shortest CPU time (user + system) of $runs runs, output to /dev/null: on a
# shared machine the CPU time is the fairer measure of one core's work.
best_cpu() {
    local best="" u s c
    for _ in $(seq "$runs"); do
        /usr/bin/time -f "%U %S" -o "$work/time.txt" "$@" < /dev/null > /dev/null 2> /dev/null
        read -r u s < <(tail -n 1 "$work/time.txt")
        c=$(awk -v u="$u" -v s="$s" 'BEGIN { printf "%.3f", u + s }')
        if [[ -z $best ]] || awk -v a="$c" -v b="$best" 'BEGIN { exit !(a < b) }'; then best=$c; fi
    done
    echo "$best"
}

peak_kb() {
    /usr/bin/time -v "$@" < /dev/null 2>&1 > /dev/null | awk -F': ' '/Maximum resident set size/ { print $2 }'
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
rate() { awk -v t="$1" 'BEGIN { printf "%.2fM", 1 / t }'; }

standard="$work/standard.txt"   # the generator's default: one AS in six 32-bit
narrow="$work/narrow.txt"       # --wide-paths 0: only 16-bit ASs
wide="$work/wide.txt"           # --wide-paths 0.4: 40% of the paths carry a 32-bit AS
echo "generating listings in $work ..."
generate "$standard"
generate "$narrow" --wide-paths 0
generate "$wide" --wide-paths 0.4
col=$(awk '/Network/ && /Path/ { print index($0, "Path"); exit }' "$standard")

echo
echo "1. --modern against the default mode (CPU seconds, best of $runs; routes/s = 1,000,000 / time):"
for listing in standard narrow wide; do
    file="$work/$listing.txt"
    d=$(best_cpu "$routesift" "$file")
    m=$(best_cpu "$routesift" --modern "$file")
    printf "  %-9s default %6.3f s (%s routes/s)  --modern %6.3f s (%s routes/s)  speed --modern/default %s\n" \
        "$listing" "$d" "$(rate "$d")" "$m" "$(rate "$m")" "$(ratio "$d" "$m")"
done

echo
echo "2. the default mode against its anchors, standard listing:"
d=$(best_cpu "$routesift" "$standard")
a=$(best_cpu "$awk_bin" "{print substr(\$0, $col)}" "$standard")
printf "  routesift %6.3f s  %s %6.3f s  time ratio routesift/%s %s\n" "$d" "$(basename "$awk_bin")" "$a" \
    "$(basename "$awk_bin")" "$(ratio "$d" "$a")"
if [[ -n $base && -x $base ]]; then
    b=$(best_cpu "$base" "$standard")
    printf "  earlier routesift %6.3f s  speed now/earlier %s\n" "$b" "$(ratio "$b" "$d")"
    bn=$(best_cpu "$base" "$narrow")
    dn=$(best_cpu "$routesift" "$narrow")
    printf "  narrow listing: earlier %6.3f s  now %6.3f s  speed now/earlier %s\n" "$bn" "$dn" "$(ratio "$bn" "$dn")"
fi

echo
echo "3. --group --prefixes=show peak memory (maximum resident set size):"
mw=$(peak_kb "$routesift" --modern --group --prefixes=show "$wide")
mn=$(peak_kb "$routesift" --modern --group --prefixes=show "$narrow")
dn=$(peak_kb "$routesift" --group --prefixes=show "$narrow")
printf "  40%% 32-bit paths, --modern: %8d kB\n" "$mw"
printf "  all 16-bit,       --modern: %8d kB   ratio wide/narrow %s\n" "$mn" "$(ratio "$mw" "$mn")"
printf "  all 16-bit,       default:  %8d kB\n" "$dn"
if [[ -n $base && -x $base ]]; then
    bm=$(peak_kb "$base" --group --prefixes=show "$narrow")
    printf "  all 16-bit, earlier routesift: %8d kB   ratio now/earlier %s\n" "$bm" "$(ratio "$dn" "$bm")"
fi
