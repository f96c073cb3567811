#!/usr/bin/env bash
# Runs a command that starts i386 programs (Wine's 32-bit loader, for the
# i686 programs of a WoW64 test): as it is where the kernel runs i386 code;
# elsewhere with every i386 program handed to qemu-i386 by binfmt_misc. The
# registration lives in a binfmt_misc instance of the command's own user and
# mount namespaces (Linux 6.7 and later): it exists for this run only, goes
# with it, and no other process on the machine sees it.
# Usage: with_i386_binfmt.sh COMMAND [ARGS...]
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/../../../cmake/i386_code.sh"

# An i386 program or shared object: a 32-bit little-endian ELF file whose
# type is 2 or 3 and whose machine is 3, as qemu's own binfmt table has it.
i386_magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
i386_mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
binfmt=/proc/sys/fs/binfmt_misc

if [[ ${1:-} == --in-namespace ]]; then
  shift
  if ! mount -t binfmt_misc kav_i386 "$binfmt" 2>/dev/null; then
    echo "with_i386_binfmt: this kernel has no binfmt_misc of a namespace's own (Linux 6.7 or later)" >&2
    exit 125
  fi
  # F: the emulator is opened now, so it is found whatever the program's root.
  printf '%s' ":kav-i386:M::$i386_magic:$i386_mask:$KAV_I386_BINFMT:F" >"$binfmt/register"
  exec "$@"
fi

(($#)) || { echo "usage: with_i386_binfmt.sh COMMAND [ARGS...]" >&2; exit 2; }
if [[ -n ${KAV_I386_BINFMT:-} ]] || i386_runs_natively >/dev/null; then
  exec "$@"
fi
if ! KAV_I386_BINFMT=$(i386_emulator); then
  echo "with_i386_binfmt: this kernel runs no 32-bit code, and there is $KAV_I386_BINFMT" >&2
  exit 125
fi
# Tells wine_env.sh that i386 programs run here, through the emulator.
export KAV_I386_BINFMT
exec unshare --user --map-root-user --mount bash "${BASH_SOURCE[0]}" --in-namespace "$@"
