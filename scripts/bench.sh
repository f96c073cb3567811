#!/usr/bin/env bash
# Measures, in one run under wine64 with the emulation driver loaded, the
# library's status call against the bare system calls, the drawer pulse at the
# port and the driver host's processor time per pulse, each beside its
# baseline. Not part of scripts/test.sh: the figures depend on the machine.
# KAV_BENCH_DRIVER names another KAV_cash.sys to measure (an older build, say).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
cmake --preset win64 >/dev/null
cmake --build --preset win64 -j "$(nproc)" --target KAV_cash_emu tillio kav_svc kav_bench

build=build/win64
exec bash tests/wine/harness/run_wine_test.sh \
  --template "$build/wine/template-prefix" \
  --work "$build/bench" \
  --service-helper "$build/tests/wine/kav_svc.exe" \
  --driver "${KAV_BENCH_DRIVER:-$build/sys/emu/KAV_cash.sys}" \
  --library "$build/exe/tillio/tillio.dll" \
  --timeout 300 \
  -- "$build/tests/bench/kav_bench.exe"
