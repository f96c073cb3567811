#!/usr/bin/env bash
# gtest_verdict.sh on GoogleTest reports as Wine's runs write them: each kind
# of run must get its exit status, or a vacuous run would pass again.
set -euo pipefail
verdict=$(dirname "${BASH_SOURCE[0]}")/gtest_verdict.sh
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

head='<?xml version="1.0" encoding="UTF-8"?>'
open='<testsuites tests="2" failures="0" disabled="0" errors="0" time="1" timestamp="2026-01-01T00:00:00" name="AllTests">'
suite='  <testsuite name="Concurrency" tests="2" failures="0" disabled="0" skipped="0" errors="0" time="1" timestamp="2026-01-01T00:00:00">'
passed='    <testcase name="KeepsSequencesWhole" file="t.cpp" line="67" status="run" result="completed" time="0.8" timestamp="2026-01-01T00:00:00" classname="Concurrency" />'
skipped='    <testcase name="RefusedHandle" file="t.cpp" line="106" status="run" result="skipped" time="0" timestamp="2026-01-01T00:00:00" classname="Concurrency">
      <skipped message="t.cpp:118&#x0A;nothing to show here"><![CDATA[t.cpp:118
nothing to show here]]></skipped>
    </testcase>'
disabled='    <testcase name="DISABLED_Later" file="t.cpp" line="150" status="notrun" result="suppressed" time="0" timestamp="2026-01-01T00:00:00" classname="Concurrency" />'
tail='  </testsuite>
</testsuites>'

failures=0
# case <name> <expected exit status> <report lines...>
expect_exit() {
  local name=$1 want=$2 got=0
  shift 2
  printf '%s\n' "$@" >"$work/$name.xml"
  bash "$verdict" "$work/$name.xml" 2>"$work/$name.out" || got=$?
  if ((got == want)); then
    echo "ok: $name exits $got"
  else
    echo "FAIL: $name exits $got, expected $want: $(<"$work/$name.out")"
    failures=$((failures + 1))
  fi
}

expect_exit cases_passed 0 "$head" "$open" "$suite" "$passed" "$tail"
# A filter that selects nothing, as Wine's run of GoogleTest 1.12 writes it.
expect_exit filter_selected_nothing 1 "$head" \
  '<testsuites tests="0" failures="0" disabled="0" errors="0" time="0" timestamp="2026-01-01T00:00:00" name="AllTests">' \
  '</testsuites>'
expect_exit only_disabled_cases 1 "$head" "$open" "$suite" "$disabled" "$tail"
expect_exit one_skipped_among_passed 77 "$head" "$open" "$suite" "$passed" "$skipped" "$tail"
expect_exit report_without_its_end 1 "$head" "$open" "$suite" "$passed"

if grep -q 'SKIPPED: 1 of 2 cases skipped: Concurrency.RefusedHandle$' "$work/one_skipped_among_passed.out"; then
  echo "ok: the skipped case is named"
else
  echo "FAIL: the skipped case is not named: $(<"$work/one_skipped_among_passed.out")"
  failures=$((failures + 1))
fi
((failures == 0))
