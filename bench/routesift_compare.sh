#!/usr/bin/env bash
# Runs two routesift binaries over the same generated listings with a range
# of settings and compares everything they write: standard output, standard
# error, the save files, the graph file and the exit status. For checking
# that a change meant to be invisible (a faster parse, another threading)
# is: any difference is shown and fails the script.
#
#   bench/routesift_compare.sh OLD_BINARY NEW_BINARY [WORK_DIR]
set -euo pipefail

old=$(realpath "$1")
new=$(realpath "$2")
here=$(cd "$(dirname "$0")" && pwd)
if [[ -n ${3:-} ]]; then
    work=$3
    mkdir -p "$work"
else
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
fi

make_dump() { # file generator-options...
    local file=$1
    shift
    [[ -s $file ]] || python3 "$here/gen_bgpdump.py" "$@" -o "$file"
}
plain="$work/dump-1m.txt"
mixed="$work/dump-mixed.txt"
make_dump "$plain" --routes 1000000 --seed 7
# asdot, pager lines, CR LF line ends and many long prepended paths
make_dump "$mixed" --routes 200000 --seed 11 --asdot 0.3 --pager 997 --crlf --extreme-share 0.01

settings=(
    ""
    "-v"
    "--modern -v"
    "--group --prefixes=show"
    "--group --prefixes=show,unique --modern"
    "--prefixes=show,allmask --cycles=fix"
    "--prepending=keep --privas=keep --sets=tag --cycles=keep --incomplete=tag"
    "--prepending=save,tag P --privas=save,tag p --sets=save,tag S --cycles=save,tag C --incomplete=save,tag I -v"
    "--group --prepending=save P --cycles=save C --privas=delete --sets=delete"
    "--vpoint=always 3356 --prepending=tag"
    "--vpoint=auto 1299 --cycles=fix --modern"
    "--graph G --modern"
)

# Runs one binary in its own folder; the input comes through standard
# input when $via is "stdin".
run() { # binary folder via dump settings
    local bin=$1 dir=$2 via=$3 dump=$4
    shift 4
    rm -rf "$dir"
    mkdir -p "$dir"
    local status=0
    if [[ $via == stdin ]]; then
        (cd "$dir" && "$bin" -f "$@" < "$dump" > stdout 2> stderr) || status=$?
    else
        (cd "$dir" && "$bin" -f "$@" "$dump" < /dev/null > stdout 2> stderr) || status=$?
    fi
    echo "$status" > "$dir/status"
}

failures=0
compare() { # via dump settings
    local via=$1 dump=$2 setting=$3
    # shellcheck disable=SC2086 # the settings are words
    run "$old" "$work/old" "$via" "$dump" $setting
    # shellcheck disable=SC2086
    run "$new" "$work/new" "$via" "$dump" $setting
    # The banner names the binary; the program name is the same for both.
    if diff -r "$work/old" "$work/new" > "$work/diff.txt"; then
        printf 'same      %-8s %-14s %s\n' "$via" "$(basename "$dump")" "${setting:-(default)}"
    else
        printf 'DIFFERENT %-8s %-14s %s\n' "$via" "$(basename "$dump")" "${setting:-(default)}"
        head -n 20 "$work/diff.txt"
        failures=$((failures + 1))
    fi
}

for setting in "${settings[@]}"; do
    compare file "$plain" "$setting"
    compare file "$mixed" "$setting"
done
compare stdin "$plain" "-v"
compare stdin "$mixed" "--modern"
gzip -1 -c "$mixed" > "$work/mixed.gz"
compare file "$work/mixed.gz" "-v --modern"

echo
if ((failures > 0)); then
    echo "$failures comparisons differ"
    exit 1
fi
echo "all outputs identical"
