#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ with clang (ASan and UBSan) and runs
# each for SECONDS (default 300) from its committed seed corpus. New inputs
# collect under build/fuzz/corpus/; a finding's input is copied into the
# committed corpus (fuzz/corpus/<target>/) so that it stays a test once fixed.
# Prints one line per target with the executions it reached; exits non-zero
# on any finding.
#
# Usage: scripts/fuzz.sh [SECONDS] [TARGET...]   (targets without _fuzz)
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-300}
shift || true
targets=("$@")
((${#targets[@]})) || targets=(driver_requests number_rules auto_ini command_mapping usb_to_com usb_drawers cli_grammar serial_control)

build=build/fuzz
cmake -S fuzz -B "$build" -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$build" -j "$(nproc)" >/dev/null

failed=0
for t in "${targets[@]}"; do
  work=$build/corpus/$t
  findings=$build/findings/$t
  mkdir -p "$work" "$findings"
  log=$build/$t.log
  if "$build/${t}_fuzz" -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$findings/" \
       "$work" "fuzz/corpus/$t" >"$log" 2>&1; then
    runs=$(grep -Eo 'stat::number_of_executed_units: *[0-9]+' "$log" | grep -Eo '[0-9]+$' || echo '?')
    echo "fuzz: PASS $t: $runs executions in ${seconds} s"
  else
    failed=1
    echo "fuzz: FAIL $t: finding, see $log"
    grep -E '^(==[0-9]+==ERROR|SUMMARY|driver invariant|.*runtime error)' "$log" | head -n 5 || true
    for f in "$findings"/*; do
      [[ -f $f ]] || continue
      cp "$f" "fuzz/corpus/$t/finding-$(basename "$f")"
      echo "fuzz: input kept as fuzz/corpus/$t/finding-$(basename "$f")"
    done
  fi
done
exit $failed
