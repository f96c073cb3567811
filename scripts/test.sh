#!/usr/bin/env bash
# Sets up a fresh machine, builds every preset and runs every test tier:
# native unit tests (also under ASan+UBSan), static checks of the i686 and
# x86_64 binaries, the Wine tests of the x86_64 binaries (the emulation driver
# as a kernel service), the GUI tests of the utility under Xvfb and a short
# run of each fuzz target; then the same as 32-bit code: the native tests
# built -m32 (also under UBSan), the i686 binaries' Wine and GUI tests in a
# 32-bit prefix, and the i686 utility and library in a 64-bit prefix (WoW64).
# Where the kernel runs no 32-bit code, the native tests and the WoW64 tier's
# i686 programs run under qemu-i386, and each tier in a 32-bit prefix says in
# one line why it is skipped and counts as one skipped test. Ends with one
# summary line over all tiers that says which way the 32-bit code ran.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
scripts/build.sh host host-asan host32 host32-ubsan win32 win64

passed=0
failed=0
skipped=0
skipped_tiers=0
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
    local bad total not_run
    bad=$(sed -E 's/.*passed, ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$line")
    total=$(sed -E 's/.*failed out of ([0-9]+).*/\1/' <<<"$line")
    # ctest counts a skipped test among the passed ones; here it is skipped.
    not_run=$(grep -cE '^\s+[0-9]+ - .* \(Skipped\)$' "$log" || true)
    passed=$((passed + total - bad - not_run))
    failed=$((failed + bad))
    skipped=$((skipped + not_run))
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

# The 32-bit native tests run as i386 code natively where the kernel runs it,
# else under qemu-i386 (cmake/run_i386.sh launches each test program).
skip_32bit_tier() { # preset, title, why
  echo "== test $2 ($1): skipped: $3"
  skipped_tiers=$((skipped_tiers + 1))
}
if i386_way=$(source cmake/i386_code.sh && i386_way); then
  run_tier host32 unit "unit tests as 32-bit code, $i386_way"
  run_tier host32-ubsan unit "unit tests as 32-bit code under UBSan, $i386_way"
  ways="32-bit native tests ran ${i386_way%% (*}"
else
  skip_32bit_tier host32 "unit tests as 32-bit code" "$i386_way"
  skip_32bit_tier host32-ubsan "unit tests as 32-bit code under UBSan" "$i386_way"
  ways="32-bit native tests skipped"
fi

# The i686 Windows programs run on Wine's 32-bit loader. A 32-bit prefix runs
# every program on it: only where the kernel runs i386 code (under qemu-i386
# it would take far too long). In WoW64 only the i686 programs are 32-bit;
# where the kernel does not run them, with_i386_binfmt.sh hands them to
# qemu-i386, and the tier takes about 4.5 minutes on an idle 2-core machine
# (each 32-bit Wine process about a minute to start).
no_32bit=$(source tests/wine/harness/wine_env.sh && wine_runs_32bit) || true
wine32=$(source tests/wine/harness/wine_env.sh && echo "$WINE32")
run_32bit_tier() { # as run_tier
  if [[ -n $no_32bit ]]; then
    skip_32bit_tier "$1" "$3" "$no_32bit"
    return
  fi
  run_tier "$@"
}
run_32bit_tier win32 wine "Wine tests of the i686 binaries in a 32-bit prefix"
run_32bit_tier win32 gui "GUI tests of the i686 utility in a 32-bit prefix"
wow64_title="the i686 utility and library on 64-bit Windows (WoW64)"
if [[ -z $no_32bit ]]; then
  run_tier win32 wow64 "$wow64_title, natively"
  ways+=", i686 Windows programs natively"
elif [[ ! -x $wine32 ]] || ! binfmt_why=$(tests/wine/harness/with_i386_binfmt.sh true 2>&1); then
  skip_32bit_tier win32 "$wow64_title" "$no_32bit${binfmt_why:+; ${binfmt_why#*: }}"
  ways+=", i686 Windows programs skipped"
else
  run_tier win32 wow64 "$wow64_title, under qemu-i386 ($no_32bit; about 5 minutes)"
  ways+=", i686 Windows programs in WoW64 under qemu-i386 (in a 32-bit prefix skipped)"
fi

echo
summary="summary: $passed passed, $failed failed"
# A tier that could not run counts as one skipped test; its line above says why.
skipped=$((skipped + skipped_tiers))
((skipped == 0)) || summary+=", $skipped skipped"
echo "$summary; $ways"
exit $status
