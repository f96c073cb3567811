#!/usr/bin/env bash
# Sets up a fresh machine, builds every preset and runs every test tier:
# native unit tests (also under ASan+UBSan), static checks of the i686 and
# x86_64 binaries, the Wine tests of the x86_64 binaries (the emulation driver
# as a kernel service), the GUI tests of the utility under Xvfb and a short
# run of each fuzz target. Ends with one summary line over all tiers.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
scripts/build.sh host host-asan win32 win64

passed=0
failed=0
status=0
run_tier() { # preset, label regex, title
  local log
  log=$(mktemp)
  echo "== test $3 ($1)"
  if ! ctest --preset "$1" -L "$2" -j "$(nproc)" 2>&1 | tee "$log"; then status=1; fi
  local line
  line=$(grep -E '^[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -1 || true)
  if [[ -z $line ]]; then
    echo "test: no ctest summary for $3"
    status=1
  else
    local bad total
    bad=$(sed -E 's/.*passed, ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$line")
    total=$(sed -E 's/.*failed out of ([0-9]+).*/\1/' <<<"$line")
    passed=$((passed + total - bad))
    failed=$((failed + bad))
    ((bad == 0)) || status=1
  fi
  rm -f "$log"
}

run_tier host unit "unit tests"
run_tier host-asan unit "unit tests under ASan+UBSan"
run_tier win32 static "static checks, i686"
run_tier win64 static "static checks, x86_64"
run_tier win64 wine "Wine tests of the x86_64 binaries"
run_tier win64 gui "GUI tests of the utility under Xvfb"

# The fuzz targets, about 20 s each from their committed corpus; a finding fails the run.
echo "== fuzz targets (about 20 s each)"
fuzz_log=$(mktemp)
if ! scripts/fuzz.sh 20 2>&1 | tee "$fuzz_log"; then status=1; fi
passed=$((passed + $(grep -c '^fuzz: PASS' "$fuzz_log" || true)))
failed=$((failed + $(grep -c '^fuzz: FAIL' "$fuzz_log" || true)))
rm -f "$fuzz_log"

echo
echo "summary: $passed passed, $failed failed"
exit $status
