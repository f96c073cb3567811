#!/usr/bin/env bash
# kavdrawer benchmark under wine64: the cost per `status` call through the
# tool's own status path against the bare tillio.dll export it wraps,
# measured in the same run, and their ratio (target <= 1.10). Process start is
# not part of it: kavdrawer_bench.exe links the tool's code and repeats the
# command in-process. Runs in a Wine prefix of its own, cloned from the Wine
# tests' template, with the emulation driver loaded and tillio.dll installed.
#
# Usage: scripts/bench_cli.sh [--calls N] [--drawer BOARD:N]
set -euo pipefail
cd "$(dirname "$0")/.."

cmake --preset win64 >/dev/null
cmake --build --preset win64 -j "$(nproc)" --target kavdrawer_bench tillio KAV_cash_emu kav_svc >/dev/null

build=build/win64
if [[ ! -d $build/wine/template-prefix ]]; then
  KAV_WINE_ARCH=win64 bash tests/wine/harness/make_template_prefix.sh "$build/wine/template-prefix" >/dev/null
fi
exec tests/wine/harness/run_wine_test.sh \
  --template "$build/wine/template-prefix" \
  --work "$build/bench_cli" \
  --service-helper "$build/tests/wine/kav_svc.exe" \
  --driver "$build/sys/emu/KAV_cash.sys" \
  --library "$build/exe/tillio/tillio.dll" \
  --timeout 600 \
  -- "$build/exe/kavdrawer/kavdrawer_bench.exe" "$@"
