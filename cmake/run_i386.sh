#!/usr/bin/env bash
# The test launcher of the 32-bit native builds: runs an i386 program (a unit
# test, or its listing for test discovery) natively where the kernel runs i386
# code, under qemu-i386 where it does not (i386_code.sh decides).
# Usage: run_i386.sh PROGRAM [ARGS...]
source "${BASH_SOURCE[0]%/*}/i386_code.sh"
if why=$(i386_runs_natively); then
  exec "$@"
fi
if ! emulator=$(i386_emulator); then
  echo "run_i386: cannot run $1: $why, and $emulator" >&2
  exit 127
fi
exec "$emulator" "$@"
