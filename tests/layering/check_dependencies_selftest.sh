#!/usr/bin/env bash
# The layering check fails on each kind of fault: the small bad tree is run
# through the compiler for its dependency output alone, as CMake runs it
# (from the target's folder, with relative paths), with include directories
# that open sys/core, sys/include and GUI/core to every source; then the
# check reads that output with each rule.
# Usage: check_dependencies_selftest.sh <C++ compiler> <check_dependencies.sh> <bad tree>
set -uo pipefail
compiler=$1
check=$(realpath "$2")
bad=$(realpath "$3")

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
out=$work/build/bad
mkdir -p "$out" "$work/empty"
cd "$out" || exit 1
relative() { realpath --relative-to="$out" "$1"; }
includes=(-I"$(relative "$bad/sys/core")" -I"$(relative "$bad/sys/include")" -I"$(relative "$bad/GUI/core")")
while IFS= read -r source; do
  depfile=CMakeFiles/bad.dir/$source.o.d
  mkdir -p "$(dirname "$depfile")"
  # -M: dependencies only; -MG: a header missing here (windows.h) is listed by its name.
  if ! "$compiler" -std=c++20 -M -MG -MT "$source.o" -MF "$depfile" "${includes[@]}" "$(relative "$bad/$source")"; then
    echo "FAIL: the compiler gave no dependency output for $source"
    exit 1
  fi
done < <(cd "$bad" && find . -name '*.cpp' | sed 's|^\./||' | sort)

status=0
# expect <what> <build> <folders> <forbidden> -- <line that must appear>... [-<line that must not>]
expect() {
  local what=$1 build=$2 folders=$3 rules=$4
  shift 5
  local output
  read -r -a rule_words <<<"$rules"
  output=$(bash "$check" "$build" "$bad" "$folders" "${rule_words[@]}")
  local code=$? ok=1
  ((code != 0)) || ok=0
  for line in "$@"; do
    if [[ $line == -* ]]; then
      [[ $output != *"${line#-}"* ]] || ok=0
    else
      [[ $output == *"$line"* ]] || ok=0
    fi
  done
  if ((ok)); then
    echo "ok: $what"
  else
    echo "FAIL: $what (exit $code)"
    echo "$output" | sed 's/^/    /'
    status=1
  fi
}

expect "a path round the include paths" "$work/build" GUI "sys !sys/include" -- \
  "GUI/core/reaches_into_driver.cpp reaches sys/core/command_engine.h (GUI must not include sys/)" \
  "-uses_the_contract.cpp"
expect "a quoted include through an include directory" "$work/build" GUI "sys !sys/include" -- \
  "GUI/core/takes_a_driver_header.cpp reaches sys/core/command_engine.h (GUI must not include sys/)"
expect "an angle-bracket include through an include directory" "$work/build" GUI "sys !sys/include" -- \
  "GUI/core/takes_a_driver_header_in_angle_brackets.cpp reaches sys/core/command_engine.h (GUI must not include sys/)"
expect "the utility in the console tool" "$work/build" exe/kavdrawer "GUI" -- \
  "exe/kavdrawer/core/includes_a_window.cpp reaches GUI/core/main_menu.h (exe/kavdrawer must not include GUI/)"
expect "Windows headers in the drawer core" "$work/build" drawers/core "windows.h GUI" -- \
  "drawers/core/includes_windows.cpp reaches" "(drawers/core must not include the Windows headers)"
expect "a build without dependency output" "$work/empty" GUI "sys" -- "FAIL: no dependency output"
expect "a folder none of whose sources was compiled" "$work/build" GUI,sim "sys !sys/include" -- \
  "FAIL: no source under sim in the dependency output"
exit $status
