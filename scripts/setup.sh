#!/usr/bin/env bash
# Installs what the build and the tests need on a Debian 12 machine, if missing.
set -euo pipefail

packages=(cmake g++ make googletest mingw-w64 binutils-mingw-w64 wine64 xvfb imagemagick)
# The fuzz targets: clang with its sanitizer runtimes and libFuzzer.
packages+=(clang libclang-rt-14-dev libfuzzer-14-dev)

missing=()
for p in "${packages[@]}"; do
  [[ $(dpkg-query -W -f='${Status}' "$p" 2>/dev/null) == *"ok installed" ]] || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "setup: installing ${missing[*]}"
  sudo_cmd=()
  [[ $(id -u) -eq 0 ]] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
