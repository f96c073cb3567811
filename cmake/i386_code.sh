# Sourced: how 32-bit x86 Linux programs run on this machine. Natively where
# the kernel runs i386 code; where it does not (IA-32 emulation off: "Exec
# format error") under qemu-i386 in user mode. KAV_NO_NATIVE_32BIT=1 makes
# every script behave as on such a kernel, trying no i386 code natively, so
# the emulated way can be proven on a machine that runs both.

# i386_runs_natively: whether the kernel runs i386 programs; prints why not.
i386_runs_natively() {
  if [[ -n ${KAV_NO_NATIVE_32BIT:-} ]]; then
    echo "no 32-bit code runs natively: KAV_NO_NATIVE_32BIT is set"
    return 1
  fi
  # The loader every -m32 program names: where it runs, they do.
  local loader=/lib/ld-linux.so.2 out
  if [[ ! -x $loader ]]; then
    echo "no 32-bit loader $loader (install gcc-multilib)"
    return 1
  fi
  if ! out=$("$loader" --version 2>&1 >/dev/null); then
    echo "this kernel runs no 32-bit code ($loader: ${out##*: })"
    return 1
  fi
}

# i386_emulator: the path of the user-mode emulator, or why there is none.
i386_emulator() {
  local name
  for name in qemu-i386 qemu-i386-static; do
    command -v "$name" && return 0
  done
  echo "no qemu-i386 (install qemu-user)"
  return 1
}

# i386_way: how the 32-bit native tests run here, in words ("natively" or
# "under qemu-i386 (why)"); fails with the reason where they cannot run.
i386_way() {
  local why emulator
  if why=$(i386_runs_natively); then
    echo "natively"
  elif emulator=$(i386_emulator); then
    echo "under ${emulator##*/} ($why)"
  else
    echo "$why, and $emulator"
    return 1
  fi
}
