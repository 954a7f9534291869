#!/usr/bin/env bash
# Stress run of both programs at full scale (not part of CI: it takes minutes
# and a few hundred megabytes of disk).
#
#   routesift over a generated 4,000,000-route table dump, once per class of
#   mode combination (keep / fix / delete / tag / save with side files,
#   vantage point, grouping with and without prefixes and tags, standard
#   input, verbose), plus the error exits;
#   meshprobe over a generated 65,535-node / 1,000,000-adjacency graph (and a
#   differential one), every dump and show command in a run of its own, then
#   all of them in one session with save and reload.
#
# Every run is checked for its exit status (and, where one exists, a
# cross-check of its output), and reported with wall time, CPU time and peak
# resident memory from /usr/bin/time -v. Memory must stay flat without
# --group: the 4M-route run may not need much more than a 1M-route one.
#
# usage: bench/stress.sh [BUILD_DIR]     (default: build-release, else build)
# environment: ROUTES (4000000), NODES (65535), EDGES (1000000), SEED (7),
#              STRESS_DIR (/tmp/halcyn-stress: inputs are kept there and reused)
set -uo pipefail

here=$(cd "$(dirname "$0")" && pwd)
top=$(dirname "$here")
build=${1:-}
if [ -z "$build" ]; then
  if [ -x "$top/build-release/routesift" ] || [ -x "$top/build-release/meshprobe" ]; then
    build=$top/build-release
  else
    build=$top/build
  fi
fi
build=$(cd "$build" && pwd) || exit 2
routes=${ROUTES:-4000000}
nodes=${NODES:-65535}
edges=${EDGES:-1000000}
seed=${SEED:-7}
work=${STRESS_DIR:-/tmp/halcyn-stress}
mkdir -p "$work" || exit 2
routesift=$build/routesift
meshprobe=$build/meshprobe

failures=0
report=$work/report.txt
: >"$report"

say() { echo "$*" | tee -a "$report"; }
bad() { say "FAIL: $*"; failures=$((failures + 1)); }

# timed NAME EXPECTED_STATUS STDIN COMMAND...: runs the command with
# /usr/bin/time -v, output in $work/NAME.out and .err, and prints a report
# line: status, wall seconds, CPU seconds, peak resident MiB.
timed() {
  local name=$1 expect=$2 input=$3
  shift 3
  /usr/bin/time -v -o "$work/$name.time" "$@" <"$input" >"$work/$name.out" 2>"$work/$name.err"
  local rc=$?
  local wall user sys rss
  wall=$(awk -F': ' '/Elapsed \(wall clock\)/ { n = split($2, t, ":"); s = 0;
                       for (i = 1; i <= n; i++) s = s * 60 + t[i]; print s }' "$work/$name.time")
  user=$(awk -F': ' '/User time/ { print $2 }' "$work/$name.time")
  sys=$(awk -F': ' '/System time/ { print $2 }' "$work/$name.time")
  rss=$(awk -F': ' '/Maximum resident set size/ { printf "%.1f", $2 / 1024 }' "$work/$name.time")
  local cpu
  cpu=$(echo "${user:-0} + ${sys:-0}" | bc)
  printf '%-34s status %3s  wall %8.2f s  cpu %8.2f s  peak %8s MiB\n' \
         "$name" "$rc" "${wall:-0}" "$cpu" "${rss:-?}" | tee -a "$report"
  echo "$cpu" >"$work/$name.cpu"
  echo "$rss" >"$work/$name.rss"
  echo "$wall" >"$work/$name.wall"
  if [ "$rc" != "$expect" ]; then
    bad "$name exited $rc, expected $expect"
    sed 's/^/    /' "$work/$name.err" | head -5 | tee -a "$report"
  fi
  return 0
}
lines() { wc -l <"$work/$1.out" | tr -d ' '; }
no_stderr() {
  if [ -s "$work/$1.err" ]; then
    bad "$1 wrote to standard error:"
    head -3 "$work/$1.err" | sed 's/^/    /' | tee -a "$report"
  fi
}

say "stress run $(date -u '+%Y-%m-%d %H:%M UTC') on $(nproc) cores; build $build"

# ---------------------------------------------------------------- routesift
if [ -x "$routesift" ]; then
  dump=$work/dump-$routes-$seed.txt
  if [ ! -s "$dump" ]; then
    say "generating a $routes-route dump ..."
    python3 "$here/gen_bgpdump.py" --routes "$routes" --seed "$seed" -o "$dump" || { bad "gen_bgpdump.py"; }
  fi
  say "dump: $dump ($(du -m "$dump" | cut -f1) MiB, $(wc -l <"$dump") lines)"
  say ""
  say "== routesift, $routes routes =="
  cd "$work" || exit 2
  rm -f side-*.txt main-*.txt
  n=/dev/null

  timed rs-default        0 $n "$routesift" "$dump"
  timed rs-keep           0 $n "$routesift" --prepending=keep --privas=keep --cycles=keep --incomplete=keep "$dump"
  timed rs-fix            0 $n "$routesift" --prepending=fix --privas=fix --sets=fix --cycles=fix "$dump"
  timed rs-delete         0 $n "$routesift" --prepending=delete --privas=delete --sets=delete --cycles=delete --incomplete=delete "$dump"
  timed rs-tag            0 $n "$routesift" --prepending=tag --privas=tag --sets=tag --cycles=tag --incomplete=tag "$dump"
  timed rs-save           0 $n "$routesift" -f --prepending=fix,save side-prep.txt --cycles=delete,save side-cyc.txt \
                               --privas=tag,save side-priv.txt --sets=fix,save side-sets.txt \
                               --incomplete=save side-inc.txt -o main-save.txt "$dump"
  timed rs-vpoint-always  0 $n "$routesift" --vpoint=always 3356 "$dump"
  timed rs-vpoint-auto    0 $n "$routesift" --vpoint=auto 3356 --prefixes=show,allmask "$dump"
  timed rs-prefixes       0 $n "$routesift" --prefixes=show -o main-pfx.txt "$dump"
  timed rs-group          0 $n "$routesift" --group "$dump"
  timed rs-group-pfx-tags 0 $n "$routesift" --group --prefixes=show,unique,allmask --prepending=tag --cycles=fix,save side-gcyc.txt -f "$dump"
  timed rs-group-saves    0 $n "$routesift" --group -f --prepending=tag,save side-gprep.txt --privas=delete,save side-gpriv.txt \
                               --sets=tag,save side-gsets.txt --incomplete=tag,save side-ginc.txt "$dump"
  timed rs-stdin-verbose  0 "$dump" "$routesift" -v

  # Cross-checks that cost nothing extra.
  for r in rs-default rs-keep rs-fix rs-delete rs-tag rs-vpoint-always rs-vpoint-auto rs-group rs-group-pfx-tags rs-group-saves; do
    no_stderr "$r"
  done
  [ "$(lines rs-keep)" -ge "$(lines rs-default)" ] || bad "keeping every feature wrote fewer paths than the defaults"
  [ "$(lines rs-delete)" -le "$(lines rs-default)" ] || bad "deleting every feature wrote more paths than the defaults"
  [ "$(lines rs-tag)" = "$(lines rs-keep)" ] || bad "tagging and keeping wrote different numbers of paths"
  [ "$(lines rs-vpoint-always)" -ge 1 ] || bad "vantage point run wrote nothing"
  grouped=$(awk -F '\t' '{ n += $1 } END { print n + 0 }' "$work/rs-group.out")
  [ "$grouped" = "$(lines rs-default)" ] || bad "--group counts $grouped routes, the plain run wrote $(lines rs-default)"
  [ "$(wc -l <main-pfx.txt)" = "$(lines rs-default)" ] || bad "--prefixes=show wrote a different number of paths"
  processed=$(awk '/^input file/ { print $3 }' "$work/rs-stdin-verbose.err")
  reported=$(awk '/^input file/ { print $4 }' "$work/rs-stdin-verbose.err")
  [ "$reported" = "$(lines rs-stdin-verbose)" ] || bad "-v reports $reported paths written, the output has $(lines rs-stdin-verbose)"
  for f in side-prep.txt side-cyc.txt side-priv.txt side-sets.txt side-inc.txt; do
    [ -s "$f" ] || bad "save run left $f empty"
  done
  say "routes processed (from -v): ${processed:-?}; written by default: $(lines rs-default)"
  # Wall time suffers when the machine is shared; CPU time shows the program.
  for r in rs-default rs-tag rs-save rs-group rs-group-pfx-tags rs-stdin-verbose; do
    w=$(cat "$work/$r.wall") c=$(cat "$work/$r.cpu")
    say "$(printf '%-20s %10.0f routes/s of wall time, %10.0f routes/s of CPU time' "$r" \
           "$(echo "$routes / ($w + 0.001)" | bc -l)" "$(echo "$routes / ($c + 0.001)" | bc -l)")"
  done

  # Flat memory without --group: a quarter of the dump must need about as much.
  quarter=$work/dump-quarter.txt
  head -n $(( $(wc -l <"$dump") / 4 )) "$dump" >"$quarter"
  timed rs-default-quarter 0 /dev/null "$routesift" "$quarter"
  timed rs-group-quarter   0 /dev/null "$routesift" --group "$quarter"
  full=$(cat "$work/rs-default.rss") part=$(cat "$work/rs-default-quarter.rss")
  if [ "$(echo "$full > $part * 1.25 + 2" | bc -l)" = 1 ]; then
    bad "memory grows with the input without --group: $part MiB at 1/4, $full MiB in full"
  else
    say "memory flat without --group: $part MiB at 1/4 of the dump, $full MiB in full"
  fi
  say "with --group: $(cat "$work/rs-group-quarter.rss") MiB at 1/4, $(cat "$work/rs-group.rss") MiB in full"

  # Exit statuses of the failures.
  printf '*> 1.0.0.0/24  x\n' >small.txt
  timed rs-exit-syntax    1 /dev/null "$routesift" -v -v
  timed rs-exit-noinput   2 /dev/null "$routesift" "$work/no/such/file"
  timed rs-exit-noout     2 /dev/null "$routesift" -o "$work/no/such/dir/out.txt" small.txt
  timed rs-exit-full      2 /dev/null "$routesift" -f -o /dev/full "$dump"
  echo keep >exists.txt
  echo n >answer-no.txt
  timed rs-exit-declined  3 answer-no.txt "$routesift" -o exists.txt small.txt
  [ "$(cat exists.txt)" = keep ] || bad "declined overwrite changed the file"
  rm -f side-*.txt main-*.txt "$quarter" "$work"/rs-*.out
else
  say "routesift not built in $build: skipped"
fi

# ---------------------------------------------------------------- meshprobe
if [ -x "$meshprobe" ]; then
  say ""
  graph=$work/graph-$nodes-$edges-$seed.hgr
  diffgraph=$work/graph-$nodes-$edges-$seed.hdg
  if [ ! -s "$graph" ]; then
    say "generating a $nodes-node / $edges-adjacency graph ..."
    python3 "$here/gen_asgraph.py" --nodes "$nodes" --edges "$edges" --seed "$seed" -o "$graph" || bad "gen_asgraph.py"
  fi
  if [ ! -s "$diffgraph" ]; then
    python3 "$here/gen_asgraph.py" --nodes "$nodes" --edges "$edges" --seed "$seed" --differential -o "$diffgraph" ||
      bad "gen_asgraph.py --differential"
  fi
  say "graph: $graph ($(du -m "$graph" | cut -f1) MiB), differential $(du -m "$diffgraph" | cut -f1) MiB"
  say ""
  say "== meshprobe, $nodes nodes / $edges adjacencies (each run loads the graph) =="
  cd "$work" || exit 2

  # mp NAME GRAPH COMMANDS: one session, commands on standard input.
  mp() {
    printf 'load %s\n%s\nquit\n' "$2" "$3" >"$work/$1.msp"
    timed "$1" 0 "$work/$1.msp" "$meshprobe" -f
    no_stderr "$1"
  }
  mp mp-load "$graph" ""
  mp mp-load-diff "$diffgraph" ""

  for obj in graph "scc 1" "cc 1"; do
    for prop in nodes edges ipcovering pathcovering differences; do
      mp "mp-dump-${obj// /}-$prop" "$graph" "dump $obj $prop"
    done
  done
  for prop in edges ipcovering pathcovering differences; do
    mp "mp-dump-diff-$prop" "$diffgraph" "dump graph $prop"
  done
  for obj in graph "scc 1" "cc 1"; do
    for prop in nodes edges ipcovering pathcovering; do
      mp "mp-show-${obj// /}-$prop" "$graph" "show $obj $prop"
    done
  done
  mp mp-show-graph-information "$graph" "show graph information"
  for obj in anyscc anycc; do
    for prop in nodes edges index; do
      mp "mp-show-$obj-$prop" "$graph" "show $obj $prop"
    done
  done
  for d in attendances directed undirected oriented unoriented changes duration; do
    mp "mp-show-diff-$d" "$diffgraph" "show graph differences $d"
  done

  # Cross-checks between the listings and the counts.
  [ "$(lines mp-dump-graph-nodes)" = "$(cat mp-show-graph-nodes.out)" ] ||
    bad "dump graph nodes lists $(lines mp-dump-graph-nodes) nodes, show graph nodes says $(cat mp-show-graph-nodes.out)"
  [ "$(lines mp-dump-graph-edges)" = "$(cat mp-show-graph-edges.out)" ] ||
    bad "dump graph edges lists $(lines mp-dump-graph-edges) edges, show graph edges says $(cat mp-show-graph-edges.out)"
  [ "$(lines mp-dump-scc1-nodes)" = "$(cat mp-show-scc1-nodes.out)" ] || bad "scc 1: dump and show disagree on nodes"
  [ "$(lines mp-dump-cc1-edges)" = "$(cat mp-show-cc1-edges.out)" ] || bad "cc 1: dump and show disagree on edges"
  for obj in anyscc anycc; do
    sum=$(awk '{ n += $4 } END { print n + 0 }' "$work/mp-show-$obj-index.out")
    [ "$sum" = "$(cat mp-show-graph-nodes.out)" ] || bad "$obj index sizes add up to $sum nodes"
  done
  say "graph: $(cat mp-show-graph-nodes.out) nodes, $(cat mp-show-graph-edges.out) adjacencies; $(head -n 1 mp-show-anyscc-nodes.out); $(head -n 1 mp-show-anycc-nodes.out)"

  # One long session: everything above, then save, reload and clear.
  {
    echo "load $graph"
    for obj in graph "scc 1" "cc 1"; do
      for prop in nodes edges ipcovering pathcovering differences; do echo "dump $obj $prop"; done
      for prop in nodes edges ipcovering pathcovering; do echo "show $obj $prop"; done
    done
    echo "show graph information"
    for obj in anyscc anycc; do for prop in nodes edges index; do echo "show $obj $prop"; done; done
    echo "save scc 1 $work/scc1.hgr"
    echo "save cc 1 $work/cc1.hgr"
    echo "load $diffgraph"
    for d in attendances directed undirected oriented unoriented changes duration; do
      echo "show graph differences $d"
    done
    echo "dump graph ipcovering"
    echo "load $work/cc1.hgr"
    echo "show graph nodes"
    echo "clear"
    echo "load $work/scc1.hgr"
    echo "show graph nodes"
  } >"$work/mp-session.msp"
  timed mp-session 0 /dev/null "$meshprobe" -f "$work/mp-session.msp"
  no_stderr mp-session
  reloaded=$(tail -n 1 "$work/mp-session.out")
  [ "$reloaded" = "$(cat mp-show-scc1-nodes.out)" ] || bad "saved scc 1 reloads with $reloaded nodes"

  timed mp-exit-syntax   1 /dev/null "$meshprobe" -f -f
  timed mp-exit-noscript 2 /dev/null "$meshprobe" "$work/no/such/script"
  rm -f "$work"/mp-*.out "$work"/scc1.hgr "$work"/cc1.hgr
else
  say "meshprobe not built in $build: skipped"
fi

say ""
if [ "$failures" -gt 0 ]; then
  say "$failures check(s) failed; report in $report"
  exit 1
fi
say "all runs ended as expected; report in $report"
