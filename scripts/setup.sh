#!/usr/bin/env bash
# Installs what the build and the tests need on a Debian 12 machine, if missing.
# The 32-bit tiers need Debian's i386 architecture: wine32 is the loader that
# runs i686 Windows programs, gcc-multilib builds the native tests with -m32.
set -euo pipefail

packages=(cmake g++ make googletest mingw-w64 binutils-mingw-w64 wine64 xvfb imagemagick
          gcc-multilib g++-multilib wine32:i386)
# Wine's own MS Sans Serif, Tahoma and Marlett, which the windows are laid out
# for (only recommended by wine64, so --no-install-recommends leaves it out);
# the Wine prefixes copy them into their C:\windows\Fonts.
packages+=(fonts-wine)
# The distribution media: the utility's installer and the driver's test signature.
packages+=(nsis osslsigncode openssl)
# The fuzz targets: clang with its sanitizer runtimes and libFuzzer.
packages+=(clang libclang-rt-14-dev libfuzzer-14-dev)
# Where the kernel runs no 32-bit code: qemu-i386 runs the 32-bit native tests
# (and i686 Windows programs in WoW64, on request), called directly; without
# the recommended qemu-user-binfmt nothing is registered machine-wide.
packages+=(qemu-user)

sudo_cmd=()
[[ $(id -u) -eq 0 ]] || sudo_cmd=(sudo)

# Before the check below: wine32:i386 is missing until the architecture is there.
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  echo "setup: adding the i386 architecture"
  "${sudo_cmd[@]}" dpkg --add-architecture i386
fi

missing=()
for p in "${packages[@]}"; do
  [[ $(dpkg-query -W -f='${Status}' "$p" 2>/dev/null) == *"ok installed" ]] || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "setup: installing ${missing[*]}"
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
