#!/usr/bin/env bash
# Configures and builds the given presets (default: all six).
set -euo pipefail
cd "$(dirname "$0")/.."
presets=("$@")
((${#presets[@]})) || presets=(host host-asan host32 host32-ubsan win32 win64)
jobs=$(nproc)
for preset in "${presets[@]}"; do
  echo "== build $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
done
