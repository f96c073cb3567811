#!/usr/bin/env bash
# Runs one Windows test program under Wine in a prefix of its own (64-bit, or
# 32-bit with KAV_WINE_ARCH=win32: wine_env.sh), with the KAV_cash driver
# loaded as a kernel service and tillio.dll installed:
#   1. clone the template prefix into <work>/prefix (nothing left from before);
#   2. put the driver in C:\windows\system32\drivers\KAV_cash.sys and the
#      library in C:\windows\system32 (with --wow64, in C:\windows\syswow64,
#      the system directory of a 32-bit program on 64-bit Windows);
#   3. create and start the kernel service "KAV_cash" with the service helper
#      (not with --no-service: the program installs it itself);
#   4. map each --drive letter to an empty folder <work>/drive_<letter>;
#   5. run the program; the driver's DbgPrint lines go to <work>/trace.log,
#      whose Windows path the program finds in KAV_WINE_TRACE_LOG; with
#      --display, Wine's windows go to that X display (else none is used);
#   6. stop and delete the service, then end every Wine process of the prefix,
#      on failure and interruption too.
# With --sim-driver, the simulated peripherals (KAV_sim.sys) run beside it, as
# the kernel service "KAV_sim": --sim-serial "3,5" gives COM3 and COM5 a drawer
# each (the prefix's own dosdevices/comN links for them go first, and Wine is
# told to make none), --sim-adapters "7" the same for ports on USB-to-RS232
# adapters (whose instance keys the driver writes), --sim-printers "6,8/pin5/low"
# receipt printers with a drawer on their kick connector (the simulator's
# PrinterPorts value: a port number, then /pin5, /low, @baud as wanted),
# --sim-hid "odd" HID devices in listing order (d a drawer, o another device),
# --sim-close-ms how long a pulsed drawer stays open.
# The exit status is the program's, or 1 if the service steps failed. A
# GoogleTest program that passed is judged on its report: 1 if it ran no case
# (a filter that selects nothing), 77 if a case was skipped (GTEST_SKIP).
#
# Usage: run_wine_test.sh --template DIR --work DIR --service-helper EXE
#                         [--driver SYS] [--library DLL] [--timeout SECONDS]
#                         [--wow64] [--no-service] [--drive LETTER]... [--display :N]
#                         [--sim-driver SYS [--sim-serial N,N...] [--sim-adapters N,N...]
#                                           [--sim-printers N[/pin5][/low][@BAUD],...]
#                                           [--sim-hid KINDS] [--sim-close-ms MS]]
#                         -- PROGRAM [ARGS...]
set -euo pipefail
here=$(dirname "${BASH_SOURCE[0]}")
source "$here/wine_env.sh"
wine_env_check

readonly service=KAV_cash
readonly sim_service=KAV_sim
# The exit status of a run whose cases passed but for one or more skipped:
# the tests' SKIP_RETURN_CODE.
readonly skip_status=77
# A relative ImagePath fails to load under Wine (error 1114); this form works.
readonly image_path='\SystemRoot\system32\drivers\KAV_cash.sys'

template='' work='' helper='' driver='' library='' timeout_s=120 make_service=1 drives=() display='' wow64=0
sim_driver='' sim_serial='' sim_adapters='' sim_printers='' sim_hid='' sim_close_ms=''
while (($#)); do
  case $1 in
    --template) template=$2; shift 2 ;;
    --work) work=$2; shift 2 ;;
    --service-helper) helper=$2; shift 2 ;;
    --driver) driver=$2; shift 2 ;;
    --library) library=$2; shift 2 ;;
    --timeout) timeout_s=$2; shift 2 ;;
    --no-service) make_service=0; shift ;;
    --wow64) wow64=1; shift ;;
    --drive)
      if [[ ! ${2,,} =~ ^[a-z]$ ]]; then
        echo "run_wine_test: --drive takes one letter, not $2" >&2
        exit 2
      fi
      drives+=("${2,,}"); shift 2 ;;
    --display) display=$2; shift 2 ;;
    --sim-driver) sim_driver=$2; shift 2 ;;
    --sim-serial)
      if [[ ! $2 =~ ^[0-9]+([ ,]+[0-9]+)*$ ]]; then
        echo "run_wine_test: --sim-serial takes COM port numbers such as 3,5, not $2" >&2
        exit 2
      fi
      sim_serial=$2; shift 2 ;;
    --sim-adapters)
      if [[ ! $2 =~ ^[0-9]+([ ,]+[0-9]+)*$ ]]; then
        echo "run_wine_test: --sim-adapters takes COM port numbers such as 7,12, not $2" >&2
        exit 2
      fi
      sim_adapters=$2; shift 2 ;;
    --sim-printers)
      if [[ ! $2 =~ ^[0-9]+(/pin5|/low)*(@[0-9]+)?([ ,]+[0-9]+(/pin5|/low)*(@[0-9]+)?)*$ ]]; then
        echo "run_wine_test: --sim-printers takes COM port numbers with /pin5, /low, @baud, such as 6,8/pin5/low, not $2" >&2
        exit 2
      fi
      sim_printers=$2; shift 2 ;;
    --sim-hid)
      if [[ ! $2 =~ ^[dDoO]{1,8}$ ]]; then
        echo "run_wine_test: --sim-hid takes up to 8 letters d (drawer) or o (other device), not $2" >&2
        exit 2
      fi
      sim_hid=$2; shift 2 ;;
    --sim-close-ms)
      if [[ ! $2 =~ ^[0-9]+$ ]]; then
        echo "run_wine_test: --sim-close-ms takes milliseconds, not $2" >&2
        exit 2
      fi
      sim_close_ms=$2; shift 2 ;;
    --) shift; break ;;
    *) echo "run_wine_test: unknown argument $1" >&2; exit 2 ;;
  esac
done
if [[ -z $template || -z $work || -z $helper || $# -eq 0 ]]; then
  echo "usage: run_wine_test.sh --template DIR --work DIR --service-helper EXE [--driver SYS] [--library DLL] [--timeout S] [--wow64] [--no-service] [--drive LETTER]... [--display :N] [--sim-driver SYS [--sim-serial N,N...] [--sim-adapters N,N...] [--sim-printers N[/pin5][/low][@BAUD],...] [--sim-hid KINDS] [--sim-close-ms MS]] -- PROGRAM [ARGS...]" >&2
  exit 2
fi
if ((wow64)) && [[ $KAV_WINE_ARCH != win64 ]]; then
  echo "run_wine_test: --wow64 needs a 64-bit prefix, not $KAV_WINE_ARCH" >&2
  exit 2
fi
for file in "$driver" "$library"; do
  if [[ -n $file && ! -f $file ]]; then
    echo "run_wine_test: FAIL: $file does not exist (build it first)" >&2
    exit 1
  fi
done

work=$(realpath -m "$work")
# Set before the first Wine process: the server's desktop process keeps it.
if [[ -n $display ]]; then
  export DISPLAY=$display
fi
export WINEPREFIX=$work/prefix
trace=$work/trace.log

stop_wine() {
  # Ends the server of this prefix and with it every process of the prefix;
  # after a crash of the driver host nothing else recovers.
  [[ -d $WINEPREFIX ]] || return 0
  "$WINESERVER" -k 2>/dev/null || true
  timeout 20 "$WINESERVER" -w 2>/dev/null || true
}

# A server left behind by an interrupted earlier run goes first.
stop_wine
rm -rf "$work"
mkdir -p "$work"

"$here/make_template_prefix.sh" "$template"
start=$SECONDS
{
  flock -s 9
  mkdir "$WINEPREFIX"
  # Wine never rewrites its DLLs in place, so the big DLL folders (syswow64
  # only in a 64-bit prefix where 32-bit programs run: half a gigabyte) are
  # hard links into the template; the rest (registry, drive links) is copied.
  linked=() excluded=()
  for folder in system32 syswow64 winsxs; do
    if [[ -d $template/drive_c/windows/$folder ]]; then
      linked+=("$template/drive_c/windows/$folder")
      excluded+=("--exclude=./drive_c/windows/$folder")
    fi
  done
  tar -C "$template" "${excluded[@]}" -cf - . | tar -C "$WINEPREFIX" -xf -
  cp -al "${linked[@]}" "$WINEPREFIX/drive_c/windows/"
} 9<"$template.lock"
rm -f "$WINEPREFIX/.kav-template"

system32=$WINEPREFIX/drive_c/windows/system32
library_dir=$system32
if ((wow64)); then
  library_dir=$WINEPREFIX/drive_c/windows/syswow64
  # An empty syswow64 means the template was made without a working 32-bit loader.
  if [[ ! -f $library_dir/kernel32.dll ]]; then
    echo "run_wine_test: FAIL: the prefix has no 32-bit system directory ($(wine_runs_32bit || true))" >&2
    exit 1
  fi
fi
if [[ -n $driver ]]; then
  cp "$driver" "$system32/drivers/KAV_cash.sys"
fi
if [[ -n $library ]]; then
  cp "$library" "$library_dir/tillio.dll"
fi
if [[ -n $sim_driver ]]; then
  cp "$sim_driver" "$system32/drivers/KAV_sim.sys"
fi
for letter in "${drives[@]}"; do
  mkdir -p "$work/drive_$letter"
  ln -sfn "$work/drive_$letter" "$WINEPREFIX/dosdevices/$letter:"
done

status=0
service_created=0
sim_created=0
program_pid=''
interrupted=0
finish() {
  local rc=$?
  trap - EXIT INT TERM HUP
  if [[ -n $program_pid ]] && kill -0 "$program_pid" 2>/dev/null; then
    kill -TERM "$program_pid" 2>/dev/null || true
    wait "$program_pid" 2>/dev/null || true
  fi
  # A failed clean-up fails a run that passed or was skipped.
  if ((sim_created && !interrupted)); then
    if ! stopped_and_deleted sim_svc "$sim_service"; then
      echo "run_wine_test: FAIL: service $sim_service did not stop and delete cleanly" >&2
      ((rc != 0 && rc != skip_status)) || rc=1
    fi
  fi
  if ((service_created && !interrupted)); then
    # Stopping unloads the driver: part of what every test proves.
    if ! stopped_and_deleted svc "$service"; then
      echo "run_wine_test: FAIL: service $service did not stop and delete cleanly" >&2
      ((rc != 0 && rc != skip_status)) || rc=1
    fi
  fi
  stop_wine
  # A run that passed (or was skipped) leaves its trace but not its prefix:
  # the disk holds a few dozen prefixes only. KAV_KEEP_PREFIX=1 keeps it.
  if ((rc == 0 || rc == skip_status)) && [[ ${KAV_KEEP_PREFIX:-0} != 1 ]]; then
    rm -rf "$WINEPREFIX"
  fi
  if ((rc != 0 && rc != skip_status)); then
    echo "---- last driver and Wine error lines of $trace"
    grep -E "$service: |$sim_service: |err:" "$trace" 2>/dev/null | tail -n 40 || true
    echo "----"
  fi
  echo "run_wine_test: done in $((SECONDS - start)) s, exit $rc"
  exit "$rc"
}
trap finish EXIT
trap 'interrupted=1; exit 130' INT TERM HUP

# svc <verb> [image path]: the service helper on the KAV_cash service.
svc() { timeout 60 "$WINE" "$helper" "$1" "$service" "${@:2}" 2>>"$trace"; }

# sim_svc <verb> [image path]: the same on the simulated peripherals' service.
sim_svc() { timeout 60 "$WINE" "$helper" "$1" "$sim_service" "${@:2}" 2>>"$trace"; }

# stopped_and_deleted <svc|sim_svc> <name>: stops and deletes the service and
# says whether it is gone. Wine's loader now and then aborts a helper as it
# exits ("Inconsistency detected by ld.so") after its work was done, so a
# helper's failure is judged by asking whether the service still exists
# (error 1060: no such service); a service that runs cannot be gone.
stopped_and_deleted() {
  local failed=0
  "$1" stop || failed=1
  "$1" delete || failed=1
  ((failed)) || return 0
  [[ $("$1" query) == *"error 1060"* ]]
}

# A dosdevices/comN link in the prefix wins over a driver's \DosDevices\COMn,
# and without one Wine takes COMn for the machine's /dev/ttyS<n-1>. With
# simulated drawers only the simulated ports may exist: each of COM1..COM16
# that is not simulated gets a link to a folder (which no program opens as a
# port; a link to nothing would fall back to the machine's port), each
# simulated one none.
# (Wine's "COMn"="" under HKLM\Software\Wine\Ports does not hide a port: it
# makes one of Wine's own with that number, which replaces the driver's.)
remove_com_links() {
  local port printer_ports
  # The printers' port numbers without their options.
  printer_ports=$(sed -E 's#[/@][^ ,]*##g; s#[ ,]+#,#g' <<<"$sim_printers")
  for port in {1..16}; do
    if [[ ,$sim_serial,$sim_adapters,$printer_ports, == *,$port,* ]]; then
      rm -f "$WINEPREFIX/dosdevices/com$port"
    else
      mkdir -p "$work/no-port"
      ln -sfn "$work/no-port" "$WINEPREFIX/dosdevices/com$port"
    fi
  done
}
if [[ -n $sim_driver ]]; then
  remove_com_links
fi

# The first Wine process starts the server and the service manager, and they
# and the driver host inherit its stderr: with warn+debugstr that is where
# DbgPrint lines land.
export WINEDEBUG=warn+debugstr
# The server ends itself, and the drivers with it, once no program has run for
# a moment; the steps below and the program must not find it gone between
# them (a loaded driver's device then names nothing). stop_wine ends it.
"$WINESERVER" -p 2>>"$trace"
svc query >/dev/null || true

if [[ -n $sim_driver ]]; then
  # The driver reads its ports and close time from its service key.
  sim_reg=$work/kav_sim.reg
  {
    echo 'REGEDIT4'
    echo
    echo '[HKEY_LOCAL_MACHINE\System\CurrentControlSet\Services\KAV_sim]'
    echo "\"SerialPorts\"=\"$sim_serial\""
    echo "\"AdapterPorts\"=\"$sim_adapters\""
    echo "\"PrinterPorts\"=\"$sim_printers\""
    echo "\"HidDevices\"=\"$sim_hid\""
    if [[ -n $sim_close_ms ]]; then
      printf '"SerialCloseMs"=dword:%08x\n' "$sim_close_ms"
    fi
  } >"$sim_reg"
  # Again, in case the mount manager linked a machine's own port meanwhile.
  remove_com_links
  sim_svc create '\SystemRoot\system32\drivers\KAV_sim.sys'
  sim_created=1
  timeout 60 "$WINE" reg import "$(windows_path "$sim_reg")" >/dev/null 2>>"$trace"
  sim_svc start
  # Running is reported before DriverEntry is done; its last line says it is.
  for _ in {1..200}; do
    grep -q "$sim_service: loaded:" "$trace" 2>/dev/null && break
    sleep 0.1
  done
  if ! grep -q "$sim_service: loaded:" "$trace" 2>/dev/null; then
    echo "run_wine_test: FAIL: $sim_service did not finish loading" >&2
    exit 1
  fi
fi

if [[ -n $driver ]] && ((make_service)); then
  svc create "$image_path"
  service_created=1
  svc start
  # Running is reported before the driver has made its device.
  svc wait-link
fi

# The program's own console output stays readable: no fixme noise.
# In the background, so that an interruption is handled at once.
# Its error output (and that of the programs it starts) is kept and shown
# after it: an exception Wine swallowed inside a window procedure is a fault
# that Windows does not forgive, so it fails the run.
# A GoogleTest program writes its XML report where GTEST_OUTPUT says (others
# ignore it); a run that passed is then judged on it (gtest_verdict.sh).
program_errors=$work/program_errors.log
report=$work/gtest_report.xml
# KAV_SERVICE_HELPER: for a program that makes kernel services itself.
WINEDEBUG=fixme-all KAV_WINE_TRACE_LOG=$(windows_path "$trace") KAV_SERVICE_HELPER=$(windows_path "$helper") \
  GTEST_OUTPUT="xml:$(windows_path "$report")" \
  timeout "$timeout_s" "$WINE" "$@" 2>"$program_errors" &
program_pid=$!
wait "$program_pid" || status=$?
program_pid=''
cat "$program_errors" >&2
if ((status == 124)); then
  echo "run_wine_test: FAIL: $1 did not finish within $timeout_s s" >&2
elif ((status == skip_status)); then
  echo "run_wine_test: FAIL: $1 exited $skip_status, which only the harness may use (skipped)" >&2
  status=1
fi
if grep -q "KiUserCallbackDispatcher ignoring exception" "$program_errors"; then
  echo "run_wine_test: FAIL: an exception inside a window procedure was ignored (see above)" >&2
  ((status)) || status=1
fi
if ((status == 0)) && [[ -f $report ]]; then
  bash "$here/gtest_verdict.sh" "$report" || status=$?
fi
exit "$status"
