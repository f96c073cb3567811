#!/usr/bin/env bash
# The verdict on a GoogleTest program that exited 0, from the XML report it
# wrote (the Wine harness sets GTEST_OUTPUT). GoogleTest exits 0 when its
# filter selects no test, and counts a skipped case as passed; a test run
# must have run a case, and a skip must show as one.
#   exit 0:  cases ran and none was skipped;
#   exit 1:  no case ran, or the report is missing its end;
#   exit 77: cases ran, none failed, and at least one was skipped: the run is
#            reported as skipped (a program that failed never gets here).
# Says why in one line on stderr when it does not exit 0.
# Usage: gtest_verdict.sh REPORT
set -euo pipefail
report=${1:?usage: gtest_verdict.sh REPORT}

if ! grep -q '</testsuites>' "$report"; then
  echo "run_wine_test: FAIL: the GoogleTest report $report has no end" >&2
  exit 1
fi
# One tag per line; attribute values escape '>' as &gt;.
cases=$(grep -o '<testcase [^>]*>' "$report" || true)
ran=$(grep -c ' status="run"' <<<"$cases" || true)
if ((ran == 0)); then
  echo "run_wine_test: FAIL: no test case ran (does the filter name a case that exists?)" >&2
  exit 1
fi
skipped=$(grep ' result="skipped"' <<<"$cases" |
  sed -E 's/.* name="([^"]*)".* classname="([^"]*)".*/\2.\1/' || true)
if [[ -n $skipped ]]; then
  echo "run_wine_test: SKIPPED: $(wc -l <<<"$skipped") of $ran cases skipped:" $skipped >&2
  exit 77
fi
