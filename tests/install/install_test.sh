#!/usr/bin/env bash
# Installs the build into a throw-away prefix and checks what a user gets:
# the programs run from the prefix alone, on the shipped examples; the manual
# pages render without a single groff warning and document every option the
# programs' own help texts name; and the Debian package builds with the
# programs, the pages and its metadata.
#
# usage: install_test.sh SOURCE_DIR BUILD_DIR [PROGRAM...]
#   PROGRAM... are the programs this build has (the ones that must install).
set -uo pipefail

src=$1 build=$2
shift 2
programs=("$@")

fails=0
fail() { echo "FAIL: $*" >&2; fails=$((fails + 1)); }
note() { echo "-- $*"; }

tmp=$(mktemp -d "${TMPDIR:-/tmp}/halcyn-install.XXXXXX") || exit 1
trap 'rm -rf "$tmp"' EXIT
prefix=$tmp/prefix

# Run a command with stdin from /dev/null (CI has no terminal); keep its
# stdout, stderr and status for the checks.
run() {
  local name=$1
  shift
  "$@" </dev/null >"$tmp/$name.out" 2>"$tmp/$name.err"
  echo $? >"$tmp/$name.rc"
}
status() { cat "$tmp/$1.rc"; }
show_err() { sed 's/^/   stderr: /' "$tmp/$1.err" | head -20 >&2; }

# ---- install ----------------------------------------------------------------
if ! cmake --install "$build" --prefix "$prefix" >"$tmp/install.log" 2>&1; then
  cat "$tmp/install.log" >&2
  fail "cmake --install into $prefix"
  exit 1
fi

for prog in "${programs[@]}"; do
  [ -x "$prefix/bin/$prog" ] || fail "bin/$prog not installed"
done
# What a user gets: programs with their bash completion, manual pages, and
# under share/doc/halcyn the licence, the changelog and the examples.
expected=(share/man/man1/routesift.1.gz share/man/man1/meshprobe.1.gz
          share/doc/halcyn/copyright share/doc/halcyn/changelog.gz)
for prog in "${programs[@]}"; do
  expected+=("bin/$prog" "share/bash-completion/completions/$prog")
done
for example in "$src"/examples/*; do
  expected+=("share/doc/halcyn/examples/${example##*/}")
done
for file in "${expected[@]}"; do
  [ -s "$prefix/$file" ] || fail "$file not installed"
done
for example in "$src"/examples/*; do
  cmp -s "$example" "$prefix/share/doc/halcyn/examples/${example##*/}" || fail "examples/${example##*/} installed changed"
done
# ... and nothing else.
extra=$(cd "$prefix" && find . -type f | sed 's|^\./||' | sort | grep -v -x -F "${expected[@]/#/-e}")
[ -z "$extra" ] || fail "unexpected installed files: $extra"

# The changelog's latest entry is this version, and the copyright file holds
# the licence.
gzip -dc "$prefix/share/doc/halcyn/changelog.gz" | head -n 1 | grep -q '^halcyn (1\.3) ' ||
  fail "changelog does not start with version 1.3"
grep -q -x 'License: BSD-2-Clause' "$prefix/share/doc/halcyn/copyright" &&
  grep -q -F ' EVEN IF ADVISED OF THE POSSIBILITY OF SUCH DAMAGE.' "$prefix/share/doc/halcyn/copyright" ||
  fail "copyright file does not hold the licence"

# What the installed bash completion offers for a command line whose last
# word is being typed (the words as bash splits them, `=' a word of its own).
completes() {
  local prog=$1
  shift
  bash -c 'source "$1"; shift; COMP_WORDS=("$@"); COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
           "_${COMP_WORDS[0]}"; echo "${COMPREPLY[*]}"' _ \
       "$prefix/share/bash-completion/completions/$prog" "$prog" "$@" </dev/null
}

# From here on only the prefix is on PATH: no build-tree program can stand in.
export PATH="$prefix/bin:/usr/bin:/bin"

# ---- manual pages -------------------------------------------------------------
if command -v groff >/dev/null; then
  for page in routesift meshprobe; do
    gz=$prefix/share/man/man1/$page.1.gz
    [ -s "$gz" ] || continue
    warnings=$(gzip -dc "$gz" | groff -man -Tutf8 -ww -z 2>&1)
    [ -z "$warnings" ] || fail "$page.1 renders with warnings: $warnings"
    gzip -dc "$gz" | groff -man -Tascii -P-cbou 2>/dev/null >"$tmp/$page.txt"
    # The source with its escaped hyphens plain: option names are never split
    # there by hyphenation, unlike in the rendered text.
    gzip -dc "$gz" | sed 's/\\-/-/g' >"$tmp/$page.src"
    for section in NAME SYNOPSIS DESCRIPTION OPTIONS 'EXIT STATUS' STDIN STDOUT STDERR EXAMPLES; do
      grep -q "^$section\$" "$tmp/$page.txt" || fail "$page.1 has no $section section"
    done
  done
  grep -q '^COMMANDS$' "$tmp/meshprobe.txt" || fail "meshprobe.1 has no COMMANDS section"
  grep -q '^GRAPH FILE FORMAT$' "$tmp/meshprobe.txt" || fail "meshprobe.1 has no file format section"
else
  note "groff not installed: manual page rendering not checked"
fi

# Every option a program's help text names is documented in its page.
documents_help() {
  local prog=$1
  run "$prog-help" "$prog" --help
  [ "$(status "$prog-help")" = 0 ] || { fail "$prog --help exits $(status "$prog-help")"; return; }
  head -n 1 "$tmp/$prog-help.out" | grep -qx "$prog 1.3" ||
    fail "$prog --help does not start with the plain banner"
  local opt
  for opt in $(grep -o -E '(^|[ [])--?[a-z]+' "$tmp/$prog-help.out" | tr -d ' [' | sort -u); do
    [ ! -s "$tmp/$prog.src" ] || grep -q -F -e "$opt" "$tmp/$prog.src" || fail "$prog.1 does not document $opt"
    case " $(completes "$prog" -) " in
      *" $opt "* | *" $opt= "*) ;;
      *) fail "bash completion of $prog does not offer $opt" ;;
    esac
  done
}

# ---- routesift on the example dump --------------------------------------------
if [ -x "$prefix/bin/routesift" ]; then
  documents_help routesift
  if [ -f "$src/examples/table.txt" ]; then
    mkdir "$tmp/rs" && cp "$src/examples/table.txt" "$tmp/rs/" && cd "$tmp/rs" || exit 1

    run rs-plain routesift table.txt
    [ "$(status rs-plain)" = 0 ] || { fail "routesift table.txt exits $(status rs-plain)"; show_err rs-plain; }
    [ -s "$tmp/rs-plain.out" ] || fail "routesift table.txt writes no path"
    # The two routes with 32-bit ASs are not read by default, and said so.
    grep -qx '2 of them hold 32-bit AS numbers: try --modern' "$tmp/rs-plain.err" ||
      { fail "routesift table.txt does not warn of its 32-bit routes"; show_err rs-plain; }
    run rs-modern routesift --modern table.txt
    [ ! -s "$tmp/rs-modern.err" ] || { fail "routesift --modern table.txt writes to stderr without -v"; show_err rs-modern; }

    # The same dump from standard input and into a file gives the same paths.
    routesift -o paths.txt <table.txt >"$tmp/rs-stdin.out" 2>"$tmp/rs-stdin.err"
    rc=$?
    [ "$rc" = 0 ] || { fail "routesift -o paths.txt < table.txt exits $rc"; show_err rs-stdin; }
    cmp -s paths.txt "$tmp/rs-plain.out" || fail "routesift: -o file from stdin differs from plain output"

    # Grouping keeps every route: the occurrence counts add up to the plain lines.
    run rs-group routesift --group table.txt
    [ "$(status rs-group)" = 0 ] || { fail "routesift --group exits $(status rs-group)"; show_err rs-group; }
    total=$(awk -F '\t' '{ n += $1 } END { print n + 0 }' "$tmp/rs-group.out")
    plain=$(wc -l <"$tmp/rs-plain.out")
    [ "$total" = "$plain" ] || fail "routesift --group counts $total routes, plain output has $plain"

    [ "$(completes routesift -o tab)" = table.txt ] || fail "bash completion: no file name after -o"
    [ "$(completes routesift --cycles = sa)" = save ] || fail "bash completion: no mode after --cycles="
    [ "$(completes routesift --sets=fix,ta)" = --sets=fix,tag ] || fail "bash completion: no mode after a comma"
    [ "$(completes routesift --cycles = save tab)" = table.txt ] || fail "bash completion: no file name after save"

    run rs-verbose routesift -v --group --prefixes=show table.txt
    [ "$(status rs-verbose)" = 0 ] || { fail "routesift -v exits $(status rs-verbose)"; show_err rs-verbose; }
    grep -q '^File lines        read      parsed   w/ errors$' "$tmp/rs-verbose.err" ||
      fail "routesift -v prints no statistics"
    cd "$tmp" || exit 1
  else
    note "examples/table.txt not there yet: routesift example run skipped"
  fi
fi

# ---- meshprobe on the example tour ----------------------------------------------
if [ -x "$prefix/bin/meshprobe" ]; then
  documents_help meshprobe
  # ... and every command of the console's own help.
  echo help | meshprobe >"$tmp/mp-help.out" 2>&1
  commands=$(grep -A1 '^Available commands are:$' "$tmp/mp-help.out" | tail -n 1)
  [ -n "$commands" ] || fail "meshprobe help lists no commands"
  if [ -s "$tmp/meshprobe.txt" ]; then
    for word in $commands; do
      grep -q -w -e "$word" "$tmp/meshprobe.txt" || fail "meshprobe.1 does not document the $word command"
    done
  fi
  if [ -f "$src/examples/tour.msp" ]; then
    # The tour names its files relative to the top of the tree, and may save.
    for mode in script stdin; do
      mkdir -p "$tmp/mp-$mode" && cp -R "$src/examples" "$tmp/mp-$mode/" || exit 1
    done
    (cd "$tmp/mp-script" && meshprobe -f examples/tour.msp </dev/null \
       >"$tmp/mp-script.out" 2>"$tmp/mp-script.err"; echo $? >"$tmp/mp-script.rc")
    (cd "$tmp/mp-stdin" && meshprobe -f <examples/tour.msp \
       >"$tmp/mp-stdin.out" 2>"$tmp/mp-stdin.err"; echo $? >"$tmp/mp-stdin.rc")
    [ "$(status mp-script)" = 0 ] || { fail "meshprobe -f examples/tour.msp exits $(status mp-script)"; show_err mp-script; }
    [ -s "$tmp/mp-script.out" ] || fail "meshprobe tour prints nothing"
    if grep -q -E 'There is no graph|does not appear to be a valid graph|unable to open' "$tmp/mp-script.err"; then
      fail "meshprobe tour could not load its graph"; show_err mp-script
    fi
    # A script file and the same script on standard input run identically.
    cmp -s "$tmp/mp-script.out" "$tmp/mp-stdin.out" || fail "meshprobe tour: script file and stdin outputs differ"
    cmp -s "$tmp/mp-script.err" "$tmp/mp-stdin.err" || fail "meshprobe tour: script file and stdin messages differ"
  else
    note "examples/tour.msp not there yet: meshprobe example run skipped"
  fi
fi

# ---- Debian package ------------------------------------------------------------------
if [ -f "$build/CPackConfig.cmake" ] && command -v cpack >/dev/null && command -v dpkg-deb >/dev/null; then
  # Package the tree installed above, with the build's package settings:
  # going through the build's install projects would first rebuild "all".
  printf 'include("%s/CPackConfig.cmake")\nset(CPACK_INSTALL_CMAKE_PROJECTS "")\nset(CPACK_INSTALLED_DIRECTORIES "%s;usr")\n' \
         "$build" "$prefix" >"$tmp/CPackConfig.cmake"
  if (cd "$tmp" && cpack --config "$tmp/CPackConfig.cmake" -B "$tmp/pkg" >"$tmp/cpack.log" 2>&1); then
    deb=$(ls "$tmp"/pkg/*.deb 2>/dev/null | head -n 1)
    if [ -z "$deb" ]; then
      fail "cpack made no .deb"
    else
      dpkg-deb -c "$deb" | awk '{ print $NF }' >"$tmp/deb.files"
      for file in "${expected[@]}"; do
        grep -q -x "./usr/$file" "$tmp/deb.files" || fail "package lacks /usr/$file"
      done
      for field in Package Version Architecture Maintainer Section Description; do
        [ -n "$(dpkg-deb -f "$deb" "$field")" ] || fail "package has no $field field"
      done
      [ "$(dpkg-deb -f "$deb" Version)" = 1.3 ] || fail "package version is not 1.3"
      if [ ${#programs[@]} -gt 0 ]; then
        dpkg-deb -f "$deb" Depends | grep -q libc6 || fail "package does not depend on libc6"
      fi
    fi
  else
    cat "$tmp/cpack.log" >&2
    fail "cpack -G DEB"
  fi
else
  note "cpack or dpkg-deb missing: package not checked"
fi

if [ "$fails" -gt 0 ]; then
  echo "$fails install check(s) failed" >&2
  exit 1
fi
echo "install checks passed (programs: ${programs[*]:-none})"
