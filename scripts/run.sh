#!/usr/bin/env bash
# Sets up a fresh machine, builds the x86_64 deliverables and runs the drawer
# utility under Wine on the simulated terminal (the emulation driver as the
# kernel service KAV_cash). With a display it opens the utility for you; with
# none it runs a short tour on a virtual display and prints its screenshots.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
cmake --preset win64 >/dev/null
cmake --build --preset win64 -j "$(nproc)" --target \
  KAV_Cash_Drawer_Utility tillio KAV_cash_emu KAV_sim kav_svc gui_demo gui_probe kavdrawer

build=$PWD/build/win64
artifacts=$build/demo/artifacts
demo=$build/tests/gui/gui_demo.exe
gui=(--artifacts "$artifacts" --utility "$build/GUI/KAV_Cash_Drawer_Utility.exe")
# The Wine harness makes the template prefix on its first use.
run=(--template "$build/wine/template-prefix" --work "$build/demo/run"
     --service-helper "$build/tests/wine/kav_svc.exe" --driver "$build/sys/emu/KAV_cash.sys"
     --library "$build/exe/tillio/tillio.dll" --no-service)
# Simulated peripherals: an RS232 drawer on COM3, a USB-to-RS232 adapter with
# a drawer on COM7, a receipt printer with a drawer on COM6 and a USB (HID)
# drawer.
sim=(--sim-driver "$build/sim/KAV_sim.sys" --sim-serial 3 --sim-adapters 7 --sim-printers 6 --sim-hid d)
# The console tool, for the tour's receipt printer, by its Windows path (Z: is /).
kavdrawer=$build/exe/kavdrawer/kavdrawer.exe
kavdrawer="Z:${kavdrawer//\//\\}"

display_usable() {
  [[ -n ${DISPLAY:-} ]] || return 1
  local number=${DISPLAY#*:}
  number=${number%%.*}
  # A local display has its socket; a remote one is taken as it is.
  [[ ${DISPLAY%%:*} != "" ]] || [[ -S /tmp/.X11-unix/X$number ]]
}

if display_usable; then
  echo "run: opening the utility on $DISPLAY"
  exec bash tests/gui/harness/run_gui_test.sh "${gui[@]}" --display "$DISPLAY" \
    -- "${run[@]}" "${sim[@]}" --timeout 86400 -- "$demo" --interactive
fi

echo "run: no display; touring the utility on a virtual display"
bash tests/gui/harness/run_gui_test.sh "${gui[@]}" -- "${run[@]}" "${sim[@]}" --timeout 150 -- "$demo" \
  --kavdrawer "$kavdrawer"
echo "run: screenshots in $artifacts"
