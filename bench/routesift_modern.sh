#!/usr/bin/env bash
# What --modern and 32-bit AS numbers cost routesift, as ratios measured in
# one run:
#   1. --modern against the default mode on the generated 1,000,000-route
#      listing (one AS in six 32-bit: the default mode refuses those routes),
#      on an all-16-bit listing (the same work in both modes) and on one where
#      40% of the paths carry a 32-bit AS;
#   2. the default mode against mawk (or awk) printing the path column, the
#      anchor, and against an earlier routesift binary when one is given;
#   3. --group peak memory on the 40% listing against the all-16-bit listing
#      of the same shape;
#   4. --modern on the IPv6 table of 1,000,000 routes (wrapped prefixes and
#      next hops) against the IPv4 one: at least 2/3 of its speed.
#
#   bench/routesift_modern.sh [BUILD_DIR] [WORK_DIR] [EARLIER_ROUTESIFT]
#
# EARLIER_ROUTESIFT is a routesift built from an earlier commit, for example
#   git archive <commit> | tar -x -C /tmp/base && cmake -S /tmp/base -B /tmp/base/build \
#     && cmake --build /tmp/base/build --target routesift
set -euo pipefail
source "$(dirname "$0")/routesift_common.sh"
base=${3:-}
awk_bin=$(command -v mawk || command -v awk)

listing() { # file, then generator options
    local file=$1
    shift
    [[ -s $file ]] || python3 "$here/gen_bgpdump.py" --routes 1000000 --seed 7 "$@" -o "$file"
}
# Best CPU seconds (user + system) of $runs runs, to the microsecond: the
# runs take a third of a second, too short for the 1/100 s of time(1).
cpu() {
    python3 - "$runs" "$@" <<'PY'
import resource, subprocess, sys
runs, command, best = int(sys.argv[1]), sys.argv[2:], None
for _ in range(runs):
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    subprocess.run(command, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    seconds = after.ru_utime - before.ru_utime + after.ru_stime - before.ru_stime
    best = seconds if best is None else min(best, seconds)
print("%.4f" % best)
PY
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
rate() { awk -v t="$1" 'BEGIN { printf "%.2fM", 1 / t }'; }

standard="$work/standard.txt"   # the generator's default: one AS in six 32-bit
narrow="$work/narrow.txt"       # --wide-paths 0: only 16-bit ASs
wide="$work/wide.txt"           # --wide-paths 0.4: 40% of the paths carry a 32-bit AS
echo "generating listings in $work ..."
listing "$standard"
listing "$narrow" --wide-paths 0
listing "$wide" --wide-paths 0.4
ipv6="$work/ipv6.txt"           # --ipv6: the IPv6 table, same routes and paths
listing "$ipv6" --ipv6
col=$(awk '/Network/ && /Path/ { print index($0, "Path"); exit }' "$standard")

echo
echo "1. --modern against the default mode (CPU seconds, best of $runs; routes/s = 1,000,000 / time):"
for name in standard narrow wide; do
    file="$work/$name.txt"
    d=$(cpu "$routesift" "$file")
    m=$(cpu "$routesift" --modern "$file")
    printf "  %-9s default %6.3f s (%s routes/s)  --modern %6.3f s (%s routes/s)  speed --modern/default %s\n" \
        "$name" "$d" "$(rate "$d")" "$m" "$(rate "$m")" "$(ratio "$d" "$m")"
done

echo
echo "2. the default mode against its anchors, standard listing:"
d=$(cpu "$routesift" "$standard")
a=$(cpu "$awk_bin" "{print substr(\$0, $col)}" "$standard")
printf "  routesift %6.3f s  %s %6.3f s  time ratio routesift/%s %s\n" "$d" "$(basename "$awk_bin")" "$a" \
    "$(basename "$awk_bin")" "$(ratio "$d" "$a")"
if [[ -n $base && -x $base ]]; then
    b=$(cpu "$base" "$standard")
    printf "  earlier routesift %6.3f s  speed now/earlier %s\n" "$b" "$(ratio "$b" "$d")"
    bn=$(cpu "$base" "$narrow")
    dn=$(cpu "$routesift" "$narrow")
    printf "  narrow listing: earlier %6.3f s  now %6.3f s  speed now/earlier %s\n" "$bn" "$dn" "$(ratio "$bn" "$dn")"
fi

echo
echo "3. --group --prefixes=show peak memory (maximum resident set size):"
mw=$(peak_kb "$routesift" --modern --group --prefixes=show "$wide" < /dev/null)
mn=$(peak_kb "$routesift" --modern --group --prefixes=show "$narrow" < /dev/null)
dn=$(peak_kb "$routesift" --group --prefixes=show "$narrow" < /dev/null)
printf "  40%% 32-bit paths, --modern: %8d kB\n" "$mw"
printf "  all 16-bit,       --modern: %8d kB   ratio 40%%/all-16-bit %s\n" "$mn" "$(ratio "$mw" "$mn")"
printf "  all 16-bit,       default:  %8d kB\n" "$dn"
if [[ -n $base && -x $base ]]; then
    bm=$(peak_kb "$base" --group --prefixes=show "$narrow" < /dev/null)
    printf "  all 16-bit, earlier routesift: %5d kB   ratio now/earlier %s\n" "$bm" "$(ratio "$dn" "$bm")"
fi

echo
echo "4. --modern on the IPv6 table against the IPv4 one (best of $runs; speed = IPv4 time / IPv6 time, at least 0.67):"
read -r e4 c4 < <(best_time "$routesift" --modern "$standard")
read -r e6 c6 < <(best_time "$routesift" --modern "$ipv6")
printf "  IPv4 %6.2f s elapsed %6.2f s CPU   IPv6 %6.2f s elapsed %6.2f s CPU   speed IPv6/IPv4 elapsed %s CPU %s\n" \
    "$e4" "$c4" "$e6" "$c6" "$(ratio "$e4" "$e6")" "$(ratio "$c4" "$c6")"
