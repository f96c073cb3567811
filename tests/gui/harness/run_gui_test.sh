#!/usr/bin/env bash
# Runs one GUI test program under the Wine harness on a virtual display of its
# own:
#   1. start Xvfb on a free display (it picks the number itself: -displayfd),
#      1024x768x24, and a watchdog that ends it should this script be killed;
#      with --display, use that display instead and start none;
#   2. answer the program's screenshot requests (<artifacts>/<name>.shot-request
#      becomes <artifacts>/<name>.png, by `import -window root`);
#   3. run tests/wine/harness/run_wine_test.sh with that display and the rest
#      of the arguments; the program finds the utility in KAV_GUI_UTILITY and
#      the artefact folder in KAV_GUI_ARTIFACTS (Windows paths);
#   4. end the watcher and Xvfb by their PIDs.
# The exit status is the Wine harness's.
#
# Usage: run_gui_test.sh --artifacts DIR --utility EXE [--display :N]
#                        -- <run_wine_test.sh arguments>
set -euo pipefail
here=$(dirname "${BASH_SOURCE[0]}")
wine_harness=$here/../../wine/harness
source "$wine_harness/wine_env.sh"

artifacts='' utility='' display=''
while (($#)); do
  case $1 in
    --artifacts) artifacts=$2; shift 2 ;;
    --utility) utility=$2; shift 2 ;;
    --display) display=$2; shift 2 ;;
    --) shift; break ;;
    *) echo "run_gui_test: unknown argument $1" >&2; exit 2 ;;
  esac
done
if [[ -z $artifacts || -z $utility || $# -eq 0 ]]; then
  echo "usage: run_gui_test.sh --artifacts DIR --utility EXE [--display :N] -- <run_wine_test.sh arguments>" >&2
  exit 2
fi
tools=(import)
[[ -n $display ]] || tools+=(Xvfb)
for tool in "${tools[@]}"; do
  if ! command -v "$tool" >/dev/null; then
    echo "run_gui_test: $tool not found (install xvfb and imagemagick)" >&2
    exit 1
  fi
done

artifacts=$(realpath -m "$artifacts")
rm -rf "$artifacts"
mkdir -p "$artifacts"

xvfb_pid='' watchdog_pid='' watcher_pid=''
finish() {
  local rc=$?
  trap - EXIT INT TERM HUP
  local pid
  for pid in "$watcher_pid" "$watchdog_pid" "$xvfb_pid"; do
    if [[ -n $pid ]]; then
      kill "$pid" 2>/dev/null || true
      wait "$pid" 2>/dev/null || true
    fi
  done
  local shot
  for shot in "$artifacts"/*.png; do
    [[ -e $shot ]] && echo "run_gui_test: artefact $shot"
  done
  exit "$rc"
}
trap finish EXIT
trap 'exit 130' INT TERM HUP

if [[ -z $display ]]; then
  # Xvfb writes the display's number into the pipe once it accepts clients,
  # or closes the pipe unwritten if it fails. Its own output, and that of the
  # two helpers below, stays off ctest's pipe.
  mkfifo "$artifacts/display"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$artifacts/display" </dev/null >"$artifacts/xvfb.log" 2>&1 &
  xvfb_pid=$!
  number=''
  read -r -t 10 number <"$artifacts/display" || true
  if [[ ! $number =~ ^[0-9]+$ ]]; then
    echo "run_gui_test: Xvfb did not start; its output:" >&2
    cat "$artifacts/xvfb.log" >&2
    exit 1
  fi
  display=:$number

  # Ends Xvfb even if this script is killed without a chance to clean up.
  (
    while kill -0 $$ 2>/dev/null; do sleep 1; done
    kill "$xvfb_pid" 2>/dev/null
  ) </dev/null >/dev/null 2>&1 &
  watchdog_pid=$!
fi
echo "run_gui_test: display $display"

(
  shopt -s nullglob
  while kill -0 $$ 2>/dev/null; do
    for request in "$artifacts"/*.shot-request; do
      picture=${request%.shot-request}.png
      DISPLAY=$display import -window root "$picture" 2>>"$artifacts/import.log" || true
      rm -f "$request"
    done
    sleep 0.05
  done
) </dev/null >/dev/null 2>&1 &
watcher_pid=$!

export KAV_GUI_UTILITY KAV_GUI_ARTIFACTS
KAV_GUI_UTILITY=$(windows_path "$utility")
KAV_GUI_ARTIFACTS=$(windows_path "$artifacts")

bash "$wine_harness/run_wine_test.sh" --display "$display" "$@"
