#!/usr/bin/env bash
# OPOS service object benchmark under wine64, in one run on the simulated
# terminal: OpenDrawer of a board drawer through the service object (called
# through the control-object stand-in, as a POS application calls the
# standard control object) against the bare tillio.dll call, and their ratio
# (goal <= 1.10); and the delay from a drawer's change to its
# StatusUpdateEvent for a board drawer (goal <= 250 ms) and a serial drawer
# on the simulator's COM3 (goal <= 50 ms). Runs in a Wine prefix of its own,
# cloned from the Wine tests' template, with the emulation driver, KAV_sim.sys
# and tillio.dll installed.
#
# Usage: scripts/bench_opos.sh [--calls N] [--trials N]
set -euo pipefail
cd "$(dirname "$0")/.."

cmake --preset win64 >/dev/null
cmake --build --preset win64 -j "$(nproc)" \
  --target opos_bench KAV_CashDrawer_SO tillio KAV_cash_emu KAV_sim kav_svc >/dev/null

build=build/win64
if [[ ! -d $build/wine/template-prefix ]]; then
  KAV_WINE_ARCH=win64 bash tests/wine/harness/make_template_prefix.sh "$build/wine/template-prefix" >/dev/null
fi
exec tests/wine/harness/run_wine_test.sh \
  --template "$build/wine/template-prefix" \
  --work "$build/bench_opos" \
  --service-helper "$build/tests/wine/kav_svc.exe" \
  --driver "$build/sys/emu/KAV_cash.sys" \
  --library "$build/exe/tillio/tillio.dll" \
  --sim-driver "$build/sim/KAV_sim.sys" --sim-serial 3 --sim-close-ms 1000 \
  --timeout 600 \
  -- "$build/exe/opos/opos_bench.exe" "$@"
