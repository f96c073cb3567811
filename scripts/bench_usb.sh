#!/usr/bin/env bash
# USB drawer benchmark under wine64: the time per UsbCashDrawerStaus call with
# one listing of the HID interfaces per call (the library) and with a listing
# per member (the first description, kept in the benchmark only), measured in
# the same run, and their ratio. Runs in a Wine prefix of its own, cloned from
# the Wine tests' template, with tillio.dll in the system directory and two
# simulated HID drawers (KAV_sim.sys) listed ahead of Wine's own devices, so
# drawer 1 answers as a real one does.
#
# Usage: scripts/bench_usb.sh [--calls N] [--drawer N] [--unopenable K]
#   (passed to usb_bench.exe; --unopenable adds K listed interfaces that do
#   not open, to show the cost growing with the listing)
set -euo pipefail
cd "$(dirname "$0")/.."

cmake --preset win64 >/dev/null
cmake --build --preset win64 -j "$(nproc)" --target usb_bench tillio kav_svc KAV_sim >/dev/null

build=build/win64
exec tests/wine/harness/run_wine_test.sh \
  --template "$build/wine/template-prefix" \
  --work "$build/bench_usb" \
  --service-helper "$build/tests/wine/kav_svc.exe" \
  --library "$build/exe/tillio/tillio.dll" \
  --sim-driver "$build/sim/KAV_sim.sys" --sim-hid dd \
  --timeout 600 \
  -- "$build/tests/bench/usb_bench.exe" "$@"
